#pragma once
// Writes template-driven reports of the catalogue.
#include <functional>
#include <string>

#include "catalogue/catalogue.h"
#include "common/desktop.h"

namespace nivex {

enum class DocType { Html = 0, Text = 1 };

struct ReportOptions {
    bool onlyMissing = false;
    bool onlyLibraries = false;
    bool showWhenFinished = false;
};

// Called with the tree index of every node the walk reaches (for the progress bar).
using ReportProgress = std::function<void(int index)>;
// Called with a failure: number and description. The run carries on where it can.
using ReportErrorSink = std::function<void(long number, const std::wstring& description)>;

// A template's text: ANSI, or UTF-8 when it starts with a byte-order mark. Throws nivex::Error when unreadable.
std::wstring ReadTemplateFile(const std::wstring& path);

// True when the file can be read and its four markers stand in order.
bool IsValidTemplate(const std::wstring& path);
// Why the template file cannot be used: it does not exist, cannot be read (with the system's reason), or
// lacks a section marker or has them out of order. Empty when it can be used.
std::wstring TemplateFileProblem(const std::wstring& path);
// "Invalid Template File", the file and its problem, one to a line.
std::wstring InvalidTemplateText(const std::wstring& path, const std::wstring& problem);

// The template path setting of a report kind, with its default.
std::wstring TemplatePathFor(DocType type);

// Writes the report of the all-controls tree to outPath (ANSI, CR LF). The template is read once and the
// report opened once. Returns false when nothing could be written at all.
bool WriteReport(const Catalogue& catalogue, DocType type, const std::wstring& templatePath,
                 const std::wstring& outPath, const ReportOptions& options, const ReportErrorSink& onError,
                 const ReportProgress& progress = {});

// The interactive run: checks the template, asks where to save, writes, and opens the report when asked.
// Messages, the save dialog and the opening go through the given desktop and belong to owner: the window
// the user started the run from, which they disable while they are shown.
void GenerateReport(const Catalogue& catalogue, DocType type, const ReportOptions& options, WindowRef owner,
                    Desktop& desktop, const ReportProgress& progress = {});

} // namespace nivex
