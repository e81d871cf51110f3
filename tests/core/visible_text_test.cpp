#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "core/visible_text.h"

namespace lumenor {
namespace {

TEST(VisibleText, ControlCharactersBecomeEscapesAndJsonKeepsItsValue) {
    const struct {
        QString text;
        QString kept;
        QString shown;
    } cases[] = {
        {QStringLiteral("one\ntwo\t\u009b\u007f"),
         {},
         QStringLiteral("one\\x0atwo\\x09\\x9b\\x7f")},
        {QStringLiteral("one\ntwo\t\r"), QStringLiteral("\n\t"), QStringLiteral("one\ntwo\t\\x0d")},
        {QStringLiteral("Studio 27 \u00e9\u2014"), {}, QStringLiteral("Studio 27 \u00e9\u2014")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withVisibleControls(c.text, c.kept), c.shown) << c.shown.toStdString();
    }
    const QString raw = QStringLiteral("\x1b\u009b\u007f\u00e9");
    const QByteArray json = jsonWithVisibleControls(
        QJsonDocument(QJsonObject{{"name", raw}}).toJson(QJsonDocument::Compact));
    EXPECT_EQ(json, R"({"name":"\u001b\u009b\u007fé"})");
    EXPECT_EQ(QJsonDocument::fromJson(json)["name"].toString(), raw);
}

}  // namespace
}  // namespace lumenor
