#include <QTest>

class tst_jpegreader : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_jpegreader)
#include "tst_jpegreader.moc"
