// The window layer's own rules, and the pictures the window shows: the
// standard error box's text and title, the banner and the icons.
#include "platform/resources.h"
#include "platform/setup_error.h"
#include "support/environment.h"
#include "support/text.h"
#include "window/application.h"
#include "window/pictures.h"
#include <gtest/gtest.h>
#include <set>

using namespace testing_support;

namespace {

TEST(Pictures, BannerIsABaselineJfifJpegWithoutSubsamplingOf522x71) {
    const std::string jpeg = read_file(path_from_environment("INSTAL_ASSETS_DIR") + "\\banner.jpg");
    ASSERT_GT(jpeg.size(), 20u);
    EXPECT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(jpeg[11], 1); // version 1.01
    EXPECT_EQ(jpeg[12], 1);
    const auto sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos) << "not baseline";
    EXPECT_EQ(jpeg[sof + 9], 3); // components
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(jpeg[sof + 11 + 3 * c], 0x11) << "component " << c;

    const auto bytes = platform::find_resource(::GetModuleHandleW(nullptr), L"JPEG", L"BANNER");
    const ui::Bitmap bitmap = ui::decode_jpeg(bytes.data, bytes.size);
    EXPECT_EQ(bitmap.width, 522);
    EXPECT_EQ(bitmap.height, 71);
    EXPECT_TRUE(ui::decode_jpeg("not a jpeg", 10).pixels.empty());
}

struct IconImage {
    int width, colours;
};

std::vector<IconImage> icon_group(const char *name) {
    const auto group = platform::find_resource(::GetModuleHandleW(nullptr), L"#14",
                                               wide(name).c_str()); // RT_GROUP_ICON;
    std::vector<IconImage> images;
    const auto *bytes = static_cast<const unsigned char *>(group.data);
    const int count = bytes[4] | bytes[5] << 8;
    for (int i = 0; i < count; ++i) {
        const unsigned char *entry = bytes + 6 + 14 * i;
        const int bits = entry[6] | entry[7] << 8;
        images.push_back({entry[0] ? entry[0] : 256, 1 << bits});
    }
    return images;
}

TEST(Pictures, IconsHaveTheirImageSizesAndColourDepths) {
    const auto folder = icon_group("#101");
    ASSERT_EQ(folder.size(), 6u);
    std::set<std::pair<int, int>> kinds;
    for (const auto &image : folder)
        kinds.insert({image.width, image.colours});
    EXPECT_EQ(kinds, (std::set<std::pair<int, int>>{
                         {16, 16}, {32, 16}, {48, 16}, {16, 256}, {32, 256}, {48, 256}}));
    for (const char *single : {"#102", "#103", "MAINICON"}) {
        const auto images = icon_group(single);
        ASSERT_EQ(images.size(), 1u) << single;
        EXPECT_EQ(images[0].width, 32);
        EXPECT_EQ(images[0].colours, 16);
    }
}

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(platform::error_box_text(L"Stream write error"), L"Stream write error.");
    EXPECT_EQ(platform::error_box_text(L"Cannot create file C:\\x\\"),
              L"Cannot create file C:\\x\\.");
    EXPECT_EQ(platform::error_box_text(L"done."), L"done.");
    EXPECT_EQ(platform::error_box_text(L"really!"), L"really!");
    EXPECT_EQ(platform::error_box_text(L"a-"), L"a-");
    EXPECT_EQ(platform::error_box_text(L""), L"");
    // The whole unit counts, not its low byte: U+3002 and U+012E end in 0x2E
    // ('.'), U+0100 in 0x00.
    EXPECT_EQ(platform::error_box_text(L"\u3002"), L"\u3002.");
    EXPECT_EQ(platform::error_box_text(L"\u012E"), L"\u012E.");
    EXPECT_EQ(platform::error_box_text(L"\u0100"), L"\u0100.");
}

TEST(ErrorBox, TitleIsTheFileNameCutAtItsFirstDot) {
    EXPECT_EQ(ui::application_title(L"C:\\Program Files\\Tolmera\\install.exe"), L"install");
    EXPECT_EQ(ui::application_title(L"Z:\\build\\INSTAL.EXE"), L"Instal");
    EXPECT_EQ(ui::application_title(L"C:\\my.setup.exe"), L"my");
    EXPECT_EQ(ui::application_title(L"C:\\a.b\\Setup"), L"Setup");
}

} // namespace
