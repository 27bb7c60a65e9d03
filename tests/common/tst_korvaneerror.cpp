#include "common/KorvaneError.h"

#include <QTest>

using namespace korvane;

class tst_korvaneerror : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void errorBoxText_AppendsFullStop_OnlyAfterCharactersSortingAfterDot_data();
    void errorBoxText_AppendsFullStop_OnlyAfterCharactersSortingAfterDot();
    void message_SurvivesAsUtf8InWhat();
};

void tst_korvaneerror::errorBoxText_AppendsFullStop_OnlyAfterCharactersSortingAfterDot_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("japanese") << QStringLiteral("メタファイルが不正です")
                              << QStringLiteral("メタファイルが不正です.");
    QTest::newRow("ideographic full stop") << QStringLiteral("です。") << QStringLiteral("です。.");
    QTest::newRow("letter") << QStringLiteral("abc") << QStringLiteral("abc.");
    QTest::newRow("digit") << QStringLiteral("JPEG エラー #42")
                           << QStringLiteral("JPEG エラー #42.");
    QTest::newRow("slash sorts after dot") << QStringLiteral("a/") << QStringLiteral("a/.");
    QTest::newRow("dot") << QStringLiteral("done.") << QStringLiteral("done.");
    QTest::newRow("exclamation") << QStringLiteral("stop!") << QStringLiteral("stop!");
    QTest::newRow("comma") << QStringLiteral("a,") << QStringLiteral("a,");
    QTest::newRow("closing parenthesis") << QStringLiteral("(x)") << QStringLiteral("(x)");
    QTest::newRow("empty") << QString() << QString();
}

void tst_korvaneerror::errorBoxText_AppendsFullStop_OnlyAfterCharactersSortingAfterDot()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(errorBoxText(message), shown);
}

void tst_korvaneerror::message_SurvivesAsUtf8InWhat()
{
    const KorvaneError error(QStringLiteral("画像が大きすぎます"));
    QCOMPARE(QString::fromUtf8(error.what()), error.message());
}

QTEST_MAIN(tst_korvaneerror)
#include "tst_korvaneerror.moc"
