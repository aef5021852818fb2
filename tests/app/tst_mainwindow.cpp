#include "PanelFixture.h"
#include "ui_main_Form.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

// The main window as created, before its start-up.
class tst_MainWindow : public QObject
{
    Q_OBJECT
    PanelFixture f;
    main_Form &form = f.make();

private Q_SLOTS:
    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        const auto row = [](const char *name, QRect r, const char *caption) {
            QTest::newRow(name) << r << caption;
        };
        row("Frame1", {4, 12, 149, 105}, "Frequency");
        row("Frequency_display", {12, 44, 73, 24}, "500.000");
        row("Label1", {88, 44, 36, 24}, "kHz");
        row("up_Button", {72, 20, 41, 21}, "Up");
        row("down_Button", {72, 72, 41, 21}, "Down");
        row("Frame2", {140, 12, 77, 105}, "Step");
        row("Frame3", {224, 12, 105, 105}, "CW Speed");
        row("CW_speed_display", {4, 44, 35, 24}, "20");
        row("Label10", {44, 44, 45, 24}, "wpm");
        row("CW_speed_up", {44, 20, 41, 21}, "Up");
        row("CW_speed_down", {44, 72, 41, 21}, "Down");
        row("Power_Frame", {336, 12, 77, 105}, "Power");
        row("Message_Text", {4, 124, 409, 73}, "");
        row("Label11", {8, 212, 36, 13}, "Status:");
        row("Status", {44, 212, 129, 13}, "NIL");
        row("Send_button", {276, 208, 61, 25}, "Transmit");
        row("Stop_button", {348, 208, 65, 25}, "Stop");
        // Option arrays: the caption stands in a label to the right, at the same height.
        const char *steps[] = {"1 Hz", "10 Hz", "100 Hz", "1 kHz"};
        const char *powers[] = {"MIN", "LOW", "HIGH", "MAX"};
        const int powerY[] = {78, 60, 38, 18};
        for (int i = 0; i < 4; ++i) {
            QTest::addRow("Step_Option %d", i) << QRect(12, 80 - 20 * i, 13, 13) << steps[i];
            QTest::addRow("Power_Option %d", i)
                << QRect(12, powerY[i], 13, i == 1 ? 13 : 17) << powers[i];
        }
    }
    void controls()
    {
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        const QStringList name = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        QWidget *w = nullptr;
        for (QWidget *c : form.findChildren<QWidget *>(name[0])) {
            if (name.size() == 1 || c->property("Index").toString() == name[1])
                w = c;
        }
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        QString shown;
        if (auto *label = qobject_cast<QLabel *>(w))
            shown = label->text();
        else if (auto *frame = qobject_cast<QGroupBox *>(w))
            shown = frame->title();
        else if (auto *text = qobject_cast<QPlainTextEdit *>(w))
            shown = text->toPlainText();
        else if (name.size() == 1)
            shown = qobject_cast<QAbstractButton *>(w)->text();
        for (QLabel *l : w->parentWidget()->findChildren<QLabel *>()) {
            if (name.size() == 2 && l->x() == 32 && l->y() == geometry.y())
                shown = l->text();
        }
        QCOMPARE(shown, caption);
    }
    void menus_data()
    {
        QTest::addColumn<QStringList>("entries"); // name=caption, "-" for a separator
        QTest::newRow("menu_File=File")
            << QStringList{"menuOpen_message=Open Message", "menu_Save_Message=Save Message",
                           "menu_space1=-", "menu_Exit=Exit"};
        QTest::newRow("menu_VAKO_model=Vako")
            << QStringList{"menu_VAKO_BIRCH=BIRCH", "menu_VAKO_ALDER=ALDER"};
        QTest::newRow("menuCom_setting=Com") << QStringList{
            "menuCom=No Free Com Ports Found ?", "menu_space2=-", "menu_Baud_Rate=Baud Rate",
            "menu_space3=-", "menuCloseComPort=Close Com Port"};
        QTest::newRow("menu_Keyer_Type=Keyer")
            << QStringList{"menu_Keyer=Dot Priority", "menu_Keyer=Iambic A", "menu_Keyer=Iambic B",
                           "menu_Keyer=Straight"};
        QTest::newRow("menu_Help=Help")
            << QStringList{"menu_Guide=Guide", "menu_space4=-",
                           "menuShow_VAKO_Software_Version=Show VAKO Transmitter Information",
                           "menu_space5=-", "menu_About=About"};
    }
    void menus()
    {
        QFETCH(QStringList, entries);
        const QStringList menu = QString::fromLatin1(QTest::currentDataTag()).split(u'=');
        auto *m = form.findChild<QMenu *>(menu[0]);
        QVERIFY(m);
        QCOMPARE(m->title(), menu[1]);
        QStringList shown;
        for (QAction *a : m->actions())
            shown << a->objectName() + u'=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(shown, entries);
        QStringList bar;
        for (QAction *a : form.menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{"File", "Vako", "Com", "Keyer", "Help"}));
    }
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
