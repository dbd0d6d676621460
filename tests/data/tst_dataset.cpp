#include <QtTest>
class TestDataSet : public QObject { Q_OBJECT private slots: void placeholder() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
