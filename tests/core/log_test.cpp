#include <gtest/gtest.h>

#include "core/app_id.h"
#include "core/log.h"

namespace lumenor {
namespace {

TEST(Logging, RecordsCarryTheCategoryUnderTheIdentifierAndTheJournalPriority) {
    const QString id = QString::fromLatin1(kAppId);
    const LogRecord info = makeLogRecord(QtInfoMsg, logApp().categoryName(), "saved");
    EXPECT_EQ(info.priority, 6);
    EXPECT_EQ(info.category, id + ".app");
    EXPECT_EQ(makeLogRecord(QtCriticalMsg, logDisplay().categoryName(), "failed").priority, 3);
    EXPECT_EQ(makeLogRecord(QtInfoMsg, nullptr, "m").category, "default");
    // Info is on and debug off unless the logging rules say otherwise.
    EXPECT_TRUE(logDisplay().isInfoEnabled());
    EXPECT_FALSE(logDisplay().isDebugEnabled());
}

}  // namespace
}  // namespace lumenor
