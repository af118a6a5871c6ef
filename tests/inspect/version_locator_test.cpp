#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "inspect/version_locator.h"

namespace nivex {
namespace {

// A small image with one section holding the resource tree: type 16, identifier 1, the given languages.
class ImageBuilder {
public:
    explicit ImageBuilder(bool wide = false) : wide_(wide), bytes_(0x600, 0) {}

    std::vector<std::uint8_t> Build(std::vector<std::uint32_t> languages, std::uint32_t type = 16,
                                    std::uint32_t resourceRva = 0x1000) {
        bytes_[0] = 'M', bytes_[1] = 'Z';
        Put32(0x3C, 0x40);
        bytes_[0x40] = 'P', bytes_[0x41] = 'E';
        Put16(0x46, 1);                                   // one section
        const std::uint32_t optionalSize = wide_ ? 240 : 224;
        Put16(0x54, optionalSize);
        const std::size_t opt = 0x58;
        Put16(opt, wide_ ? 0x20B : 0x10B);
        const std::size_t count = opt + (wide_ ? 108 : 92);
        Put32(count, 16);
        Put32(count + 4 + 2 * 8, resourceRva);            // the resource directory
        Put32(count + 4 + 2 * 8 + 4, 0x200);
        const std::size_t section = opt + optionalSize;
        Put32(section + 12, 0x1000);                      // virtual address
        Put32(section + 16, 0x200);                       // raw size
        Put32(section + 20, 0x400);                       // raw offset
        // Root (type) -> 0x18 (identifier) -> 0x30 (languages) -> data entries at 0x80 + 16 * n.
        Directory(0x400, {{type, 0x80000018u}});
        Directory(0x418, {{1, 0x80000030u}});
        std::vector<std::pair<std::uint32_t, std::uint32_t>> langs;
        for (std::size_t i = 0; i < languages.size(); ++i) {
            langs.push_back({languages[i], static_cast<std::uint32_t>(0x80 + 16 * i)});
            Put32(0x480 + 16 * i, 0x1000 + 0x100);        // the data's address
            Put32(0x480 + 16 * i + 4, 12);
        }
        Directory(0x430, langs);
        for (int i = 0; i < 12; ++i) bytes_[0x500 + i] = static_cast<std::uint8_t>('a' + i);
        return bytes_;
    }

private:
    void Put16(std::size_t at, std::uint32_t v) {
        bytes_[at] = static_cast<std::uint8_t>(v);
        bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void Put32(std::size_t at, std::uint32_t v) {
        Put16(at, v & 0xFFFF);
        Put16(at + 2, v >> 16);
    }
    void Directory(std::size_t at, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ids) {
        Put16(at + 14, static_cast<std::uint32_t>(ids.size()));
        for (std::size_t i = 0; i < ids.size(); ++i) {
            Put32(at + 16 + 8 * i, ids[i].first);
            Put32(at + 16 + 8 * i + 4, ids[i].second);
        }
    }
    bool wide_;
    std::vector<std::uint8_t> bytes_;
};

VersionLocation Locate(const std::vector<std::uint8_t>& file) {
    return LocateVersionResource([&](std::uint64_t offset, std::size_t size) {
        if (offset >= file.size()) return std::vector<std::uint8_t>();
        const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), offset + size));
        return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(offset), file.begin() + static_cast<std::ptrdiff_t>(end));
    });
}

TEST(VersionLocator, FindsTheOneLanguagesBytesInBothImageKinds) {
    for (bool wide : {false, true}) {
        const VersionLocation at = Locate(ImageBuilder(wide).Build({0x409}));
        ASSERT_EQ(at.result, VersionLocation::Found) << wide;
        EXPECT_EQ(at.offset, 0x500u);
        EXPECT_EQ(at.size, 12u);
    }
}

TEST(VersionLocator, LeavesWhatItCannotDecideToThePlatform) {
    EXPECT_EQ(Locate(ImageBuilder().Build({0x407, 0x409})).result, VersionLocation::Undecided) << "the user's language chooses";
    EXPECT_EQ(Locate(ImageBuilder().Build({0x409}, 16, 0x9000)).result, VersionLocation::Undecided) << "outside every section";
    std::vector<std::uint8_t> image = ImageBuilder().Build({0x409});
    image[0] = 'N';
    EXPECT_EQ(Locate(image).result, VersionLocation::Undecided);
    image = ImageBuilder().Build({0x409});
    image[0x58] = 0x07; // an unknown optional header
    EXPECT_EQ(Locate(image).result, VersionLocation::Undecided);
    image = ImageBuilder().Build({0x409});
    image.resize(0x420); // cut inside the resource tree
    EXPECT_EQ(Locate(image).result, VersionLocation::Undecided);
    EXPECT_EQ(Locate({}).result, VersionLocation::Undecided);
    image = ImageBuilder().Build({0x409});
    image[0x3C] = 0xFF, image[0x3D] = 0xFF, image[0x3E] = 0xFF, image[0x3F] = 0x7F; // a header far past the end
    EXPECT_EQ(Locate(image).result, VersionLocation::Undecided);
}

TEST(VersionLocator, AnImageWithoutVersionTextHasNone) {
    EXPECT_EQ(Locate(ImageBuilder().Build({0x409}, 3)).result, VersionLocation::None) << "icons only";
    EXPECT_EQ(Locate(ImageBuilder().Build({0x409}, 16, 0)).result, VersionLocation::None) << "no resources";
}

} // namespace
} // namespace nivex
