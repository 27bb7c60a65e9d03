#include <QTest>

class tst_metafilereader : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_metafilereader)
#include "tst_metafilereader.moc"
