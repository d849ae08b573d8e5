#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;
using testing::WriteFile;

TEST(ConfigurationLoad, StreamsExactlyTheImageAndTheLogicAnswers) {
    CardFixture f;
    f.ports.SetRecording(true);
    ASSERT_TRUE(f.access.LoadConfiguration());
    const auto& log = f.ports.Log();
    const auto writes = std::ranges::count_if(
        log, [](const PortAccess& a) { return a.kind == PortAccess::Kind::Out8; });
    const auto reads = std::ranges::count_if(
        log, [](const PortAccess& a) { return a.kind == PortAccess::Kind::In8; });
    EXPECT_EQ(writes, 4 + 24 + 3 + 78422 * 24 + 100 * 48 + 4 + 48);
    EXPECT_EQ(reads, 6);  // the header pulse's three delays
    EXPECT_TRUE(f.card.Logic().Loaded());
    EXPECT_EQ(f.card.Bus().Count().violations, 0u);
    EXPECT_TRUE(f.notices.Shown().empty());
    EXPECT_TRUE(f.access.CheckLogicId());
}

TEST(ConfigurationLoad, UnusableFilesTouchNoPort) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> prepare;
    };
    const Case cases[] = {
        {"missing", [](const std::filesystem::path& p) { std::filesystem::remove(p); }},
        {"one byte short",
         [](const std::filesystem::path& p) {
             auto image = sim::CCardLogicModel::MakeValidImage();
             image.pop_back();
             WriteFile(p, image);
         }},
        {"a directory",
         [](const std::filesystem::path& p) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         }},
    };
    for (const Case& c : cases) {
        CardFixture f;
        c.prepare(f.imagePath);
        f.ports.SetRecording(true);
        EXPECT_FALSE(f.access.LoadConfiguration()) << c.what;
        EXPECT_TRUE(f.ports.Log().empty()) << c.what;
        EXPECT_EQ(f.notices.TextsUtf8(), std::vector<std::string>{"读取配置文件出错!"}) << c.what;
    }
}

TEST(ConfigurationLoad, LongerFileSendsOnlyTheImageSize) {
    CardFixture f;
    auto image = sim::CCardLogicModel::MakeValidImage();
    image.resize(image.size() + 1000, 0x5A);
    WriteFile(f.imagePath, image);
    ASSERT_TRUE(f.access.LoadConfiguration());
    EXPECT_TRUE(f.access.CheckLogicId());
}

TEST(ConfigurationLoad, CorruptImageIsStreamedButTheLogicStaysAbsent) {
    CardFixture f;
    auto image = sim::CCardLogicModel::MakeValidImage();
    image[1000] ^= 0x01;
    WriteFile(f.imagePath, image);
    ASSERT_TRUE(f.access.LoadConfiguration());
    EXPECT_FALSE(f.access.CheckLogicId());
    EXPECT_EQ(f.card.Logic().ConfigurationsRefused(), 1u);
}

}  // namespace
}  // namespace orbix
