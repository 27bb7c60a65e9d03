#include <QTest>

class tst_editordocument : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_editordocument)
#include "tst_editordocument.moc"
