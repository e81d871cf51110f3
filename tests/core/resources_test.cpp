#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/resources.h"

namespace lumenor {
namespace {

class DataDirectory : public ::testing::Test {
  protected:
    void TearDown() override { qunsetenv(kDataDirVariable); }
};

// Found from the executable, in the build tree and installed, by every launch of the
// end-to-end and install tests.
TEST_F(DataDirectory, TheVariableNamesAnotherFolderOrNone) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("pages"));
    QFile page(dir.filePath("pages/EULA.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();

    qputenv(kDataDirVariable, QFile::encodeName(dir.path()));
    EXPECT_EQ(pagePath("EULA.html"), dir.filePath("pages/EULA.html"));
    EXPECT_FALSE(pagePath("controller.html"));
    EXPECT_FALSE(pagePath("../pages/EULA.html/.."));

    qputenv(kDataDirVariable, QFile::encodeName(dir.filePath("missing")));
    EXPECT_FALSE(dataDirectory());
    EXPECT_FALSE(pagePath("EULA.html"));
}

}  // namespace
}  // namespace lumenor
