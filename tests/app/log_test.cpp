#include <gtest/gtest.h>

#include "app/core/app_id.h"
#include "app/core/log.h"

namespace lumenor {
namespace {

TEST(Logging, CategoriesLiveUnderTheIdentifier) {
    const QString id = QString::fromLatin1(kAppId);
    EXPECT_EQ(QString::fromLatin1(logDisplay().categoryName()), id + ".display");
    EXPECT_EQ(QString::fromLatin1(logRemote().categoryName()), id + ".remote");
    EXPECT_EQ(QString::fromLatin1(logApp().categoryName()), id + ".app");
    EXPECT_TRUE(logDisplay().isInfoEnabled());
    EXPECT_FALSE(logDisplay().isDebugEnabled());
}

TEST(Logging, InfoAndErrorMapToJournalPriorities) {
    const LogRecord info = makeLogRecord(QtInfoMsg, logApp().categoryName(), "saved");
    EXPECT_EQ(info.priority, 6);
    EXPECT_EQ(info.category, QString::fromLatin1(kAppId) + ".app");
    EXPECT_EQ(info.message, "saved");
    EXPECT_EQ(makeLogRecord(QtCriticalMsg, "x", "failed").priority, 3);
    EXPECT_EQ(makeLogRecord(QtInfoMsg, nullptr, "m").category, "default");
}

}  // namespace
}  // namespace lumenor
