#include <QTest>

class tst_annotations : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_annotations)
#include "tst_annotations.moc"
