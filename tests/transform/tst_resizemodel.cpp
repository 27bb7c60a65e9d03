#include "transform/ResizeModel.h"

#include "common/KorvaneError.h"

#include <QTest>

using namespace korvane;
using Control = ResizeModel::Control;

namespace {

const char *const kControlNames[ResizeModel::kControlCount] = {
    "Edit1",   "Edit2",   "Edit3",   "Edit4",   "Edit5",       "Edit6",       "Edit7",
    "UpDown1", "UpDown2", "UpDown3", "UpDown4", "UpDown5",     "UpDown6",     "UpDown7",
    "Label1",  "Label2",  "Label3",  "Bevel2",  "RadioGroup1", "RadioGroup2",
};

// The dialog as its window drives it, over a picture the test may change at
// any moment.
struct Dialog
{
    Dialog(QSize size = {800, 600}) : picture(size)
    {
        model.setChangedHandler([this] { ++changes; });
    }

    // Types `text` key by key into an edit whose text is selected.
    void type(int field, const QString &text)
    {
        for (qsizetype n = 1; n <= text.size(); ++n)
            model.EditChange(field, text.left(n));
    }
    // The message of the error that `action` throws, empty when it throws none.
    template <typename Action> QString errorOf(Action action)
    {
        try {
            action();
        } catch (const KorvaneError &error) {
            return error.message();
        }
        return {};
    }
    // The texts of Edit2 to Edit7.
    QStringList texts() const
    {
        QStringList shown;
        for (int field = 2; field <= ResizeModel::kFieldCount; ++field)
            shown << model.text(field);
        return shown;
    }
    QList<int> values() const
    {
        QList<int> held;
        for (int field = 2; field <= ResizeModel::kFieldCount; ++field)
            held << model.value(field);
        return held;
    }
    QString enabledControls() const
    {
        QStringList on;
        for (int i = 0; i < ResizeModel::kControlCount; ++i) {
            if (model.isEnabled(Control(i)))
                on << QString::fromLatin1(kControlNames[i]);
        }
        return on.join(u' ');
    }

    QSize picture;
    int changes = 0;
    ResizeModel model{[this] { return picture; }};
};

const QString kSingleStates = QStringLiteral("Edit1 UpDown1 Label1 RadioGroup1");
const QString kSeparatePercentStates =
    QStringLiteral("Edit2 Edit3 UpDown2 UpDown3 Label2 Label3 Bevel2 RadioGroup1 RadioGroup2");

} // namespace

class tst_resizemodel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void separateMode_ShowsPictureInEveryUnitUnclamped_data();
    void separateMode_ShowsPictureInEveryUnitUnclamped();
    void widthInPercent_LinksOnlyItsOwnAxisFromClampedValues_data();
    void widthInPercent_LinksOnlyItsOwnAxisFromClampedValues();
    void pixelsAndMillimetres_ReachTheSizeThroughWholePercent();
    void stepsAndRewrites_StartChainsOnlyForRealChangesOfTheSelectedUnit();
    void presetModes_ShowFixedSizesWithEverythingDisabled_data();
    void presetModes_ShowFixedSizesWithEverythingDisabled();
    void singlePercentage_ClampsTypedNumbersAndStepsWithinRange();
    void reopening_ResetsToSinglePercentageAndKeepsOtherTexts();
    void nonInteger_RaisesErrorKeepingValuesAndText_data();
    void nonInteger_RaisesErrorKeepingValuesAndText();
    void zeroSizedPicture_StopsAtPixelsToPercentKeepingEarlierRewrites();
    void targetSize_FollowsModeWithTruncation_data();
    void targetSize_FollowsModeWithTruncation();
};

void tst_resizemodel::separateMode_ShowsPictureInEveryUnitUnclamped_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("leftMillimetresBefore");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("640x480") << QSize(640, 480) << false
                             << QStringList{"100", "100", "640", "480", "187", "140"}
                             << QList<int>{100, 100, 640, 480, 187, 140};
    // Only the texts go past the spins' range; the values are clamped.
    QTest::newRow("3840x2160 after millimetres")
        << QSize(3840, 2160) << true << QStringList{"100", "100", "3840", "2160", "1127", "634"}
        << QList<int>{100, 100, 3000, 2160, 1000, 634};
}

void tst_resizemodel::separateMode_ShowsPictureInEveryUnitUnclamped()
{
    QFETCH(QSize, picture);
    QFETCH(bool, leftMillimetresBefore);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, values);
    Dialog d({640, 480});
    if (leftMillimetresBefore) {
        d.model.RadioGroup1Click(ResizeModel::rmSeparate);
        d.model.RadioGroup2Click(ResizeModel::unMillimeter);
        d.type(6, QStringLiteral("50"));
        d.model.RadioGroup1Click(ResizeModel::rmKeepAspect);
    }
    d.picture = picture; // read when the mode is chosen, not when the dialog was made

    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    QCOMPARE(d.texts(), texts);
    QCOMPARE(d.values(), values);
    QCOMPARE(d.model.unit(), ResizeModel::unPercent);
    QCOMPARE(d.enabledControls(), kSeparatePercentStates);
    QCOMPARE(d.model.targetSize(), picture);
}

void tst_resizemodel::widthInPercent_LinksOnlyItsOwnAxisFromClampedValues_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("widthTexts");
    QTest::addColumn<int>("targetWidth");

    QTest::newRow("1024 at 50") << QSize(1024, 768) << "50" << QStringList{"50", "512", "150"}
                                << 512;
    // 4000 pixels are stored as 3000, and the millimetres follow the 3000.
    QTest::newRow("2000 at 200") << QSize(2000, 1000) << "200" << QStringList{"200", "3000", "881"}
                                 << 4000;
    QTest::newRow("800 at 600") << QSize(800, 600) << "600" << QStringList{"500", "3000", "881"}
                                << 4000;
}

void tst_resizemodel::widthInPercent_LinksOnlyItsOwnAxisFromClampedValues()
{
    QFETCH(QSize, picture);
    QFETCH(QString, typed);
    QFETCH(QStringList, widthTexts);
    QFETCH(int, targetWidth);
    Dialog d(picture);
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    const QStringList before = d.texts();

    d.type(2, typed);
    const QStringList after = d.texts();
    QCOMPARE((QStringList{after[0], after[2], after[4]}), widthTexts);
    QCOMPARE((QStringList{after[1], after[3], after[5]}),
             (QStringList{before[1], before[3], before[5]}));
    QCOMPARE(d.model.value(4), widthTexts[1].toInt());
    QCOMPARE(d.model.targetSize(), QSize(targetWidth, picture.height()));
}

void tst_resizemodel::pixelsAndMillimetres_ReachTheSizeThroughWholePercent()
{
    Dialog d({800, 600});
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);

    d.model.RadioGroup2Click(ResizeModel::unMillimeter);
    QCOMPARE(d.enabledControls(),
             QStringLiteral("Edit6 Edit7 Label2 Label3 Bevel2 RadioGroup1 RadioGroup2"));
    d.type(6, QStringLiteral("100"));
    QCOMPARE(d.texts(), (QStringList{"42", "100", "340", "600", "100", "176"}));
    d.model.UpDownClick(6, ResizeModel::Step::Up); // pixels and millimetres are typed only
    d.model.UpDownClick(2, ResizeModel::Step::Up);
    QCOMPARE(d.texts(), (QStringList{"42", "100", "340", "600", "100", "176"}));

    d.model.RadioGroup2Click(ResizeModel::unPixel);
    QCOMPARE(d.enabledControls(),
             QStringLiteral("Edit4 Edit5 Label2 Label3 Bevel2 RadioGroup1 RadioGroup2"));
    d.type(4, QStringLiteral("341"));
    QCOMPARE(d.model.value(2), 42);
    QCOMPARE(d.model.targetSize(), QSize(336, 600));

    d.type(4, QStringLiteral("1000"));
    QCOMPARE(d.texts(), (QStringList{"125", "100", "1000", "600", "293", "176"}));
    QVERIFY(d.errorOf([&] { d.model.EditChange(4, d.model.text(4)); }).isEmpty());
    d.type(5, QStringLiteral("300"));
    QCOMPARE(d.texts(), (QStringList{"125", "50", "1000", "300", "293", "88"}));
    QCOMPARE(d.model.targetSize(), QSize(1000, 300));
}

void tst_resizemodel::stepsAndRewrites_StartChainsOnlyForRealChangesOfTheSelectedUnit()
{
    Dialog d({800, 600});
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    d.model.UpDownClick(2, ResizeModel::Step::Up);
    d.model.UpDownClick(3, ResizeModel::Step::Down);
    QCOMPARE(d.texts(), (QStringList{"101", "99", "808", "594", "237", "174"}));

    // The window writing back the text the edit already shows changes nothing,
    // even though the picture is no longer the one that text was computed on.
    d.picture = QSize(400, 300);
    const int changes = d.changes;
    d.model.EditChange(2, QStringLiteral("101"));
    QCOMPARE(d.changes, changes);
    QCOMPARE(d.model.text(4), QStringLiteral("808"));

    d.model.EditChange(2, QString()); // emptied: no value, no message
    QCOMPARE(d.model.text(2), QString());
    QCOMPARE(d.model.value(2), 101);
    d.model.EditChange(2, QStringLiteral("101"));
    QCOMPARE(d.texts(), (QStringList{"101", "99", "404", "594", "118", "174"}));

    // A field of another unit is only a text: it is neither read nor linked.
    QVERIFY(d.errorOf([&] { d.model.EditChange(4, QStringLiteral("abc")); }).isEmpty());
    QCOMPARE(d.model.text(4), QStringLiteral("abc"));
    QCOMPARE(d.model.value(4), 404);
    d.model.UpDownClick(4, ResizeModel::Step::Up);
    QCOMPARE(d.model.value(4), 404);

    d.type(2, QStringLiteral("500"));
    d.model.UpDownClick(2, ResizeModel::Step::Up); // no wrap to 0
    QCOMPARE(d.texts(), (QStringList{"500", "99", "2000", "594", "587", "174"}));
}

void tst_resizemodel::presetModes_ShowFixedSizesWithEverythingDisabled_data()
{
    QTest::addColumn<int>("unitBefore"); // chosen in rmSeparate before, -1: straight from the start
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QSize>("target");

    const QStringList postcard{"100", "100", "341", "504", "100", "148"};
    // With unPercent selected, writing "100" over the typed percent must not
    // relink the pixels back to the picture's width.
    QTest::newRow("postcard after percent")
        << int(ResizeModel::unPercent) << QSize(800, 600) << int(ResizeModel::rmPostcard)
        << postcard << QSize(341, 504);
    QTest::newRow("postcard on empty picture")
        << -1 << QSize(0, 0) << int(ResizeModel::rmPostcard) << postcard << QSize(341, 504);
    QTest::newRow("icon after millimetres")
        << int(ResizeModel::unMillimeter) << QSize(800, 600) << int(ResizeModel::rmIcon)
        << QStringList{"100", "100", "32", "32", "9", "9"} << QSize(32, 32);
}

void tst_resizemodel::presetModes_ShowFixedSizesWithEverythingDisabled()
{
    QFETCH(int, unitBefore);
    QFETCH(QSize, picture);
    QFETCH(int, mode);
    QFETCH(QStringList, texts);
    QFETCH(QSize, target);
    Dialog d(picture);
    if (unitBefore >= 0) {
        d.model.RadioGroup1Click(ResizeModel::rmSeparate);
        d.model.RadioGroup2Click(unitBefore);
        d.type(2 + 2 * unitBefore, QStringLiteral("50"));
    }

    QVERIFY(d.errorOf([&] { d.model.RadioGroup1Click(mode); }).isEmpty());
    QCOMPARE(d.texts(), texts);
    QCOMPARE(d.enabledControls(), QStringLiteral("RadioGroup1"));
    QCOMPARE(int(d.model.unit()), qMax(unitBefore, 0));
    QCOMPARE(d.model.targetSize(), target);
}

void tst_resizemodel::singlePercentage_ClampsTypedNumbersAndStepsWithinRange()
{
    Dialog d({800, 600});
    QCOMPARE(d.model.text(1), QStringLiteral("100"));
    QCOMPARE(d.model.value(1), 100);
    QCOMPARE(d.texts(), QStringList(6, QStringLiteral("0")));
    QCOMPARE(d.enabledControls(), kSingleStates);

    d.type(1, QStringLiteral("600"));
    QCOMPARE(d.model.text(1), QStringLiteral("500"));
    d.model.UpDownClick(1, ResizeModel::Step::Up);
    QCOMPARE(d.model.value(1), 500);
    QCOMPARE(d.model.targetSize(), QSize(4000, 3000));

    d.model.EditChange(1, QStringLiteral("-5"));
    QCOMPARE(d.model.text(1), QStringLiteral("0"));
    d.model.UpDownClick(1, ResizeModel::Step::Down);
    QCOMPARE(d.model.text(1), QStringLiteral("0"));
    d.model.UpDownClick(1, ResizeModel::Step::Up);
    QCOMPARE(d.model.text(1), QStringLiteral("1"));

    d.model.EditChange(1, QStringLiteral("050"));
    QCOMPARE(d.model.text(1), QStringLiteral("50"));
    d.model.EditChange(1, QStringLiteral("2147483647"));
    QCOMPARE(d.model.text(1), QStringLiteral("500"));
    d.model.EditChange(1, QStringLiteral("-2147483648"));
    QCOMPARE(d.model.text(1), QStringLiteral("0"));

    // The single percentage takes typed numbers in any mode and unit; its
    // spin steps only while enabled.
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    d.model.RadioGroup2Click(ResizeModel::unPixel);
    d.type(1, QStringLiteral("70"));
    d.model.UpDownClick(1, ResizeModel::Step::Up);
    QCOMPARE(d.model.value(1), 70);
    QCOMPARE(d.model.text(4), QStringLiteral("800"));
}

void tst_resizemodel::reopening_ResetsToSinglePercentageAndKeepsOtherTexts()
{
    Dialog d({800, 600});
    d.type(1, QStringLiteral("250"));
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    d.model.RadioGroup2Click(ResizeModel::unPixel);
    d.type(4, QStringLiteral("341"));
    const QStringList texts = d.texts();
    const int changes = d.changes;

    d.model.FormShow();
    QCOMPARE(d.changes, changes + 1);
    QCOMPARE(d.model.mode(), ResizeModel::rmKeepAspect);
    QCOMPARE(d.model.unit(), ResizeModel::unPercent);
    QCOMPARE(d.model.text(1), QStringLiteral("100"));
    QCOMPARE(d.model.value(1), 100);
    QCOMPARE(d.enabledControls(), kSingleStates);
    QCOMPARE(d.texts(), texts);
    QCOMPARE(d.model.targetSize(), QSize(800, 600));

    // Back in rmSeparate the fields show the picture again at 100 %.
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    QCOMPARE(d.texts(), (QStringList{"100", "100", "800", "600", "234", "176"}));
}

void tst_resizemodel::nonInteger_RaisesErrorKeepingValuesAndText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letters") << "abc";
    QTest::newRow("fraction") << "1.5";
    QTest::newRow("sign alone") << "-";
    QTest::newRow("above 32 bits") << "2147483648";
    QTest::newRow("below 32 bits") << "-2147483649";
    QTest::newRow("full-width digits") << "５０";
}

void tst_resizemodel::nonInteger_RaisesErrorKeepingValuesAndText()
{
    QFETCH(QString, typed);
    Dialog d({800, 600});
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    d.type(2, QStringLiteral("50"));
    const QList<int> values = d.values();
    const int changes = d.changes;

    const QString message = d.errorOf([&] { d.model.EditChange(2, typed); });
    QCOMPARE(message, QStringLiteral("'%1' は整数ではありません").arg(typed));
    QCOMPARE(d.changes, changes + 1); // the window shows the text it keeps
    QCOMPARE(d.model.text(2), typed);
    QCOMPARE(d.values(), values);
    QCOMPARE(d.texts().mid(1), (QStringList{"100", "400", "600", "117", "176"}));
}

void tst_resizemodel::zeroSizedPicture_StopsAtPixelsToPercentKeepingEarlierRewrites()
{
    Dialog d({800, 600});
    d.model.RadioGroup1Click(ResizeModel::rmSeparate);
    d.picture = QSize(0, 0);
    const QString division = QStringLiteral("ゼロによる除算");

    d.type(2, QStringLiteral("50")); // percent to pixels divides by 100 only
    QCOMPARE(d.texts(), (QStringList{"50", "100", "0", "600", "0", "176"}));

    d.model.RadioGroup2Click(ResizeModel::unPixel);
    QCOMPARE(d.errorOf([&] { d.model.EditChange(4, QStringLiteral("5")); }), division);
    QCOMPARE(d.texts(), (QStringList{"50", "100", "5", "600", "0", "176"}));
    QCOMPARE(d.model.value(4), 5);

    d.model.RadioGroup2Click(ResizeModel::unMillimeter);
    const int changes = d.changes;
    QCOMPARE(d.errorOf([&] { d.model.EditChange(7, QStringLiteral("10")); }), division);
    QCOMPARE(d.changes, changes + 1);
    QCOMPARE(d.texts(), (QStringList{"50", "100", "5", "34", "0", "10"}));
    QCOMPARE(d.model.targetSize(), QSize(0, 0));
}

void tst_resizemodel::targetSize_FollowsModeWithTruncation_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("percents"); // Edit1, Edit2, Edit3
    QTest::addColumn<QSize>("target");

    const int keep = ResizeModel::rmKeepAspect;
    QTest::newRow("keep 100") << QSize(801, 601) << keep << QStringList{"100"} << QSize(801, 601);
    QTest::newRow("keep 50") << QSize(801, 601) << keep << QStringList{"50"} << QSize(400, 300);
    QTest::newRow("keep 0") << QSize(801, 601) << keep << QStringList{"0"} << QSize(0, 0);
    QTest::newRow("keep 500 wide")
        << QSize(32767, 1) << keep << QStringList{"500"} << QSize(163835, 5);
    QTest::newRow("separate") << QSize(801, 601) << int(ResizeModel::rmSeparate)
                              << QStringList{"100", "50", "200"} << QSize(400, 1202);
    QTest::newRow("postcard") << QSize(800, 600) << int(ResizeModel::rmPostcard)
                              << QStringList{"10"} << QSize(341, 504);
    QTest::newRow("icon") << QSize(1, 1) << int(ResizeModel::rmIcon) << QStringList{"10"}
                          << QSize(32, 32);
}

void tst_resizemodel::targetSize_FollowsModeWithTruncation()
{
    QFETCH(QSize, picture);
    QFETCH(int, mode);
    QFETCH(QStringList, percents);
    QFETCH(QSize, target);
    Dialog d(picture);
    d.model.EditChange(1, percents[0]);
    d.model.RadioGroup1Click(mode);
    for (int field = 2; field <= percents.size(); ++field)
        d.model.EditChange(field, percents[field - 1]);
    QCOMPARE(d.model.targetSize(), target);
}

QTEST_MAIN(tst_resizemodel)
#include "tst_resizemodel.moc"
