#include <gtest/gtest.h>

#include <QVariantList>
#include <QVariantMap>

#include "webview/message_shim.h"
#include "webview/page_folder.h"

namespace lumenor {
namespace {

TEST(PostedBody, KeepsTheShapesTheBridgeParserReads) {
    const std::optional<QVariant> map = decodePostedBody(R"([{"verb":"selectDisplay","id":2}])");
    ASSERT_TRUE(map);
    ASSERT_EQ(map->typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(map->toMap().value("verb").toString(), "selectDisplay");
    EXPECT_EQ(map->toMap().value("id").typeId(), QMetaType::LongLong);

    EXPECT_EQ(decodePostedBody("[2.5]")->typeId(), QMetaType::Double);
    EXPECT_EQ(decodePostedBody("[true]")->typeId(), QMetaType::Bool);
    EXPECT_EQ(decodePostedBody(R"(["ready"])")->toString(), "ready");
    EXPECT_EQ(decodePostedBody(R"([["4:3",16]])")->toList().size(), 2);
    EXPECT_TRUE(decodePostedBody("[null]")->isNull());
    // Anything but a one-element array is dropped.
    EXPECT_FALSE(decodePostedBody(""));
    EXPECT_FALSE(decodePostedBody("[]"));
    EXPECT_FALSE(decodePostedBody("[1,2]"));
    EXPECT_FALSE(decodePostedBody(R"({"verb":"ready"})"));
    EXPECT_FALSE(decodePostedBody("[{]"));
}

TEST(PageFolder, OnlyFilesInsideTheFolder) {
    const QString folder = "/usr/share/lumenor/pages";
    EXPECT_TRUE(
        isInsideFolder(QUrl("file:///usr/share/lumenor/pages/controller.html?x=1"), folder));
    EXPECT_TRUE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/previews/smpte.png"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/../secret.txt"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages-old/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///etc/passwd"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file://host/usr/share/lumenor/pages/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("https://example.org/usr/share/lumenor/pages/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("data:text/html,hi"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("about:blank"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/a.js"), QString()));
}

}  // namespace
}  // namespace lumenor
