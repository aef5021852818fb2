#include "PanelFixture.h"
#include "ui_main_Form.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

// The main window as created, before its start-up.
class tst_MainWindow : public QObject
{
    Q_OBJECT
    PanelFixture f;
    main_Form &form = f.make();

private Q_SLOTS:
    void initialState()
    {
        QCOMPARE(form.windowTitle(), QStringLiteral("VAKO BIRCH Transmitter"));
        QCOMPARE(form.centralWidget()->size(), QSize(417, 238));
        QCOMPARE(form.panel().ui.Step_Option->checkedId(), 2);
        QCOMPARE(form.panel().ui.Power_Option->checkedId(), 0);
        for (QAction *a : form.findChildren<QAction *>()) {
            QVERIFY2(a->isChecked() == (a == form.ui().menu_VAKO_BIRCH),
                     qPrintable(a->objectName()));
            QVERIFY2(a->isEnabled() && a->shortcut().isEmpty() && !a->text().contains(u'&'),
                     qPrintable(a->objectName()));
        }
        QVERIFY(form.Timer1().isSingleShot() && !form.Timer1().isActive());
        QCOMPARE(form.Timer1().interval(), 100);
    }
    void captionsFit()
    {
        for (QWidget *w : form.centralWidget()->findChildren<QWidget *>()) {
            auto *label = qobject_cast<QLabel *>(w);
            auto *button = qobject_cast<QPushButton *>(w);
            if (!label && !button)
                continue;
            const QString caption = label ? label->text() : button->text();
            const int needed = w->fontMetrics().boundingRect(caption).right() + 1; // the ink
            QVERIFY2(needed <= w->width() - (button ? 4 : 0), qPrintable(w->objectName()));
        }
        const QFontMetrics big = form.ui().Frequency_display->fontMetrics();
        QVERIFY(big.boundingRect(QStringLiteral("888.888")).right() < 73);
        QVERIFY(big.boundingRect(QStringLiteral("50.5")).width() <= 35);
    }
    void tabOrderStartsWithTheMessage()
    {
        Ui::main_Form &ui = form.ui();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.Message_Text->setFocus();
        QTest::keyClick(ui.Message_Text, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ui.Send_button);
        QCOMPARE(ui.Message_Text->toPlainText(), QString());
        QTest::keyClick(ui.Send_button, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ui.Stop_button);
        form.hide();
    }
    void menuClickDoesNotToggleCheckMarks()
    {
        form.ui().menu_Keyer1->trigger();
        QVERIFY(!form.ui().menu_Keyer1->isChecked());
        QVERIFY(form.ui().menu_VAKO_BIRCH->isChecked());
    }
    void messageHoldsAtMost200Characters_data()
    {
        QTest::addColumn<QString>("put");
        QTest::addColumn<QString>("held");
        const QString full(200, u'E'), line(199, u'A');
        QTest::newRow("short") << "CQ DE VAKO K"
                               << "CQ DE VAKO K";
        QTest::newRow("200") << full << full;
        QTest::newRow("longer cut") << full + "TAIL" << full;
        QTest::newRow("line break counts") << line + "\nBC" << line + "\n";
    }
    void messageHoldsAtMost200Characters()
    {
        QFETCH(QString, put);
        QFETCH(QString, held);
        QPlainTextEdit *box = form.ui().Message_Text;
        box->setPlainText(put);
        QCOMPARE(box->toPlainText(), held);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, "YZ");
        QCOMPARE(box->toPlainText(), held.size() < 200 ? held + "YZ" : held);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
