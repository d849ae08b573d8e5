#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;
using testing::WriteFile;
using Image = std::vector<std::uint8_t>;

TEST(ConfigurationLoad, UnusableFilesTouchNoPort) {
    const std::pair<const char*, void (*)(const std::filesystem::path&)> cases[] = {
        {"missing", [](const std::filesystem::path& p) { std::filesystem::remove(p); }},
        {"one byte short",
         [](const std::filesystem::path& p) {
             Image image = sim::CCardLogicModel::MakeValidImage();
             image.pop_back();
             WriteFile(p, image);
         }},
        {"a directory",
         [](const std::filesystem::path& p) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         }},
    };
    for (const auto& [what, prepare] : cases) {
        CardFixture f;
        prepare(f.imagePath);
        f.ports.SetRecording(true);
        EXPECT_FALSE(f.access.LoadConfiguration()) << what;
        EXPECT_TRUE(f.ports.Log().empty()) << what;
        EXPECT_EQ(f.notices.TextsUtf8(), std::vector<std::string>{"读取配置文件出错!"}) << what;
    }
}

// A longer file sends only the image's size, well framed; a corrupt image is
// streamed all the same, and the logic refuses it.
TEST(ConfigurationLoad, LongerFileLoadsAndCorruptImageIsRefusedByTheLogic) {
    Image longer = sim::CCardLogicModel::MakeValidImage(), corrupt = longer;
    longer.resize(longer.size() + 1000, 0x5A);
    corrupt[1000] ^= 0x01;
    for (const auto& [image, answers] : {std::pair{longer, true}, std::pair{corrupt, false}}) {
        CardFixture f;
        WriteFile(f.imagePath, image);
        ASSERT_TRUE(f.access.LoadConfiguration());
        EXPECT_EQ(f.access.CheckLogicId(), answers);
        EXPECT_EQ(f.card.Logic().ConfigurationsRefused(), answers ? 0u : 1u);
        EXPECT_EQ(f.card.Bus().Count().violations, 0u);
        EXPECT_TRUE(f.notices.Shown().empty());
    }
}

}  // namespace
}  // namespace orbix
