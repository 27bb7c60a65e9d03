#include <QTest>

class tst_picturefile : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_picturefile)
#include "tst_picturefile.moc"
