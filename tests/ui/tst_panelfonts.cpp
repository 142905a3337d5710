#include "panel.h"
#include "panelwidgets.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMainWindow>
#include <QTest>

// The panel's faces are named as installed families: a face that is not installed would be matched
// through the system's substitutions when first drawn, at start-up, and could land on a face the
// panel was not laid out for.
class TestPanelFonts : public QObject
{
    Q_OBJECT

private slots:
    void everyControlNamesAnInstalledFace();
    void designFaceWinsWhereInstalled();
};

void TestPanelFonts::everyControlNamesAnInstalledFace()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QSKIP("fonts-liberation is not installed (scripts/deps.sh)");
    QMainWindow window;
    BuildPanel(&window);
    const QStringList installed = QFontDatabase::families();
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        const QFont font = widget->font();
        QCOMPARE(font.families().size(), 1);
        QVERIFY2(installed.contains(font.families().first()),
            qPrintable(widget->objectName() + ": " + font.families().first()));
        // What is drawn is the face that was named.
        QCOMPARE(QFontInfo(font).family(), font.families().first());
    }
}

// Where the design's own face is installed it is used, not the metric twin after it.
void TestPanelFonts::designFaceWinsWhereInstalled()
{
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        QSKIP("DejaVu Sans is not installed");
    const QFont font = PanelFont(QStringLiteral("DejaVu Sans"), 12, true);
    QCOMPARE(font.families(), QStringList {QStringLiteral("DejaVu Sans")});
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
    QVERIFY(font.bold());
}

QTEST_MAIN(TestPanelFonts)
#include "tst_panelfonts.moc"
