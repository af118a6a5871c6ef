// The Help menu and the tray's About.
#include "app/main_commands.h"
#include "app/resource.h"
#include "auxiliary/about_window.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/whats_this.h"

namespace nivex {

void AddHelpCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuHelpContents, kNeedsNothing, [&c] { ShowHelpContents(c.owner, c.desktop); });
    t.Add(mnuHelpWithThis, kNeedsNothing, [&c] { RunWhatsThis(c.owner); });
    t.Add(mnuNivexWebsite, kNeedsNothing, [&c] { OpenProductWebPage(c.owner, c.desktop); });
    t.Add(mnuAbout, kNeedsNothing, [&c] { TheAboutWindow().Open(c.owner, c.desktop); });
    // From the tray the main window is hidden: the box stands on its own.
    t.Add(mnuTrayAbout, kNeedsNothing, [&c] { TheAboutWindow().Open(nullptr, c.desktop); });
}

} // namespace nivex
