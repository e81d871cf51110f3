#include <gtest/gtest.h>

#include "profiles/profile_json.h"

namespace lumenor {
namespace {

std::optional<std::vector<Profile>> decode(const char* json) {
    return decodeProfiles(QByteArray(json));
}

const char* const kValid =
    R"({"name":"A","pattern":"grid","aspectRatios":["4:3"],"bouncePeriod":2)";

TEST(ProfileJson, KeysInFieldOrderCompact) {
    Profile p;
    p.name = "Studio";
    p.outputDisplayName = "Studio 27";
    p.pattern = "smpte";
    p.aspectRatios = {"4:3", "16:9"};
    p.bouncePeriod = 1.5;
    p.pixelWidth = 1920;
    p.pixelHeight = 1080;
    p.refreshHz = 59.94;
    p.slateText = "Take \"1\"";
    p.syncOffsetMs = -42.5;
    p.videoRange = "limited";
    EXPECT_EQ(*encodeProfiles({p}),
              R"([{"name":"Studio","outputDisplayName":"Studio 27","pattern":"smpte",)"
              R"("aspectRatios":["4:3","16:9"],"bouncePeriod":1.5,"pixelWidth":1920,)"
              R"("pixelHeight":1080,"refreshHz":59.94,"slateText":"Take \"1\"",)"
              R"("syncOffsetMs":-42.5,"videoRange":"limited"}])");
    EXPECT_EQ((*decodeProfiles(*encodeProfiles({p})))[0], p);
    // Absent optionals are left out rather than written as null.
    Profile bare;
    bare.name = "Bare";
    bare.pattern = "grid";
    EXPECT_EQ(*encodeProfiles({bare}),
              R"([{"name":"Bare","pattern":"grid","aspectRatios":[],"bouncePeriod":0}])");
}

// Required keys with their types in an array of objects; unknown keys are ignored.
TEST(ProfileJson, RequiredKeysMustBeThereWithTheirTypes) {
    const std::string unknown = std::string("[") + kValid + R"(,"colour":"blue"}])";
    const auto decoded = decode(unknown.c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ((*decoded)[0].name, "A");
    for (const char* bad : {
             R"([{"pattern":"grid","aspectRatios":[],"bouncePeriod":2}])",
             R"([{"name":"A","aspectRatios":[],"bouncePeriod":2}])",
             R"([{"name":"A","pattern":"grid","bouncePeriod":2}])",
             R"([{"name":"A","pattern":"grid","aspectRatios":[]}])",
             R"([{"name":"A","pattern":7,"aspectRatios":[],"bouncePeriod":2}])",
             R"([{"name":"A","pattern":"grid","aspectRatios":["4:3",1],"bouncePeriod":2}])",
             R"([{"name":"A","pattern":"grid","aspectRatios":[],"bouncePeriod":"2"}])",
             "",
             "{}",
             "[1]",
             "[]x",
         }) {
        EXPECT_EQ(decode(bad), std::nullopt) << bad;
    }
}

TEST(ProfileJson, OptionalKeysMayBeNullButNotOfAnotherType) {
    const auto nulls = decode(R"([{"name":"A","pattern":"grid","aspectRatios":[],"bouncePeriod":2,)"
                              R"("outputDisplayName":null,"pixelWidth":null,"pixelHeight":null,)"
                              R"("refreshHz":null,"slateText":null,"syncOffsetMs":null}])");
    ASSERT_TRUE(nulls.has_value());
    ASSERT_EQ(nulls->size(), 1U);
    EXPECT_EQ((*nulls)[0].pixelWidth, std::nullopt);
    for (const char* extra : {R"("pixelWidth":"1920")", R"("pixelWidth":1920.5)",
                              R"("pixelHeight":true)", R"("refreshHz":"60")", R"("slateText":1)",
                              R"("outputDisplayName":[])", R"("syncOffsetMs":"40")"}) {
        const std::string json = std::string("[") + kValid + "," + extra + "}]";
        EXPECT_EQ(decode(json.c_str()), std::nullopt) << json;
    }
    const std::string whole = std::string("[") + kValid + R"(,"pixelWidth":1920.0}])";
    const auto wholeWidth = decode(whole.c_str());
    ASSERT_TRUE(wholeWidth.has_value());
    EXPECT_EQ((*wholeWidth)[0].pixelWidth, 1920);
}

}  // namespace
}  // namespace lumenor
