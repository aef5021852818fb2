#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "ui_main_Form.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

// The main window as the operator sees it when it is created.
class tst_MainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void controls_data();
    void controls();
    void controlArrays_data();
    void controlArrays();
    void menus_data();
    void menus();
    void initialState();
    void captionsFit();
    void tabOrderStartsWithTheMessage();
    void menuClickDoesNotToggleCheckMarks();
    void messageHoldsAtMost200Characters_data();
    void messageHoldsAtMost200Characters();

private:
    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

void tst_MainWindow::initTestCase()
{
    installFontSubstitutes();
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
}

void tst_MainWindow::cleanupTestCase()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
}

void tst_MainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Frame1") << "Frame1" << QRect(4, 12, 149, 105) << "Frequency";
    QTest::newRow("Frequency_display") << "Frequency_display" << QRect(12, 44, 73, 24) << "500.000";
    QTest::newRow("Label1") << "Label1" << QRect(88, 44, 36, 24) << "kHz";
    QTest::newRow("up_Button") << "up_Button" << QRect(72, 20, 41, 21) << "Up";
    QTest::newRow("down_Button") << "down_Button" << QRect(72, 72, 41, 21) << "Down";
    QTest::newRow("Frame2") << "Frame2" << QRect(140, 12, 77, 105) << "Step";
    QTest::newRow("Frame3") << "Frame3" << QRect(224, 12, 105, 105) << "CW Speed";
    // Grown to the left, figures aligned right so "20" stands where it always
    // did: "9.5" and "50.5" need the room in the large bold figures.
    QTest::newRow("CW_speed_display") << "CW_speed_display" << QRect(4, 44, 35, 24) << "20";
    QTest::newRow("Label10") << "Label10" << QRect(44, 44, 45, 24) << "wpm";
    QTest::newRow("CW_speed_up") << "CW_speed_up" << QRect(44, 20, 41, 21) << "Up";
    QTest::newRow("CW_speed_down") << "CW_speed_down" << QRect(44, 72, 41, 21) << "Down";
    QTest::newRow("Power_Frame") << "Power_Frame" << QRect(336, 12, 77, 105) << "Power";
    QTest::newRow("Message_Text") << "Message_Text" << QRect(4, 124, 409, 73) << "";
    // Three pixels wider than drawn for the old bitmap font: the Liberation
    // glyphs of "Status:" need them, and the space up to the status text is free.
    QTest::newRow("Label11") << "Label11" << QRect(8, 212, 36, 13) << "Status:";
    QTest::newRow("Status") << "Status" << QRect(44, 212, 129, 13) << "NIL";
    QTest::newRow("Send_button") << "Send_button" << QRect(276, 208, 61, 25) << "Transmit";
    QTest::newRow("Stop_button") << "Stop_button" << QRect(348, 208, 65, 25) << "Stop";
}

static QString captionOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *frame = qobject_cast<QGroupBox *>(w))
        return frame->title();
    if (auto *text = qobject_cast<QPlainTextEdit *>(w))
        return text->toPlainText();
    return QStringLiteral("<no caption>");
}

void tst_MainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    auto *w = m_form->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(captionOf(w), caption);
}

void tst_MainWindow::controlArrays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("label");

    QTest::newRow("step 3") << "Step_Option" << 3 << QRect(12, 20, 13, 13) << "1 kHz";
    QTest::newRow("step 2") << "Step_Option" << 2 << QRect(12, 40, 13, 13) << "100 Hz";
    QTest::newRow("step 1") << "Step_Option" << 1 << QRect(12, 60, 13, 13) << "10 Hz";
    QTest::newRow("step 0") << "Step_Option" << 0 << QRect(12, 80, 13, 13) << "1 Hz";
    QTest::newRow("power 3") << "Power_Option" << 3 << QRect(12, 18, 13, 17) << "MAX";
    QTest::newRow("power 2") << "Power_Option" << 2 << QRect(12, 38, 13, 17) << "HIGH";
    QTest::newRow("power 1") << "Power_Option" << 1 << QRect(12, 60, 13, 13) << "LOW";
    QTest::newRow("power 0") << "Power_Option" << 0 << QRect(12, 78, 13, 17) << "MIN";
}

void tst_MainWindow::controlArrays()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QRect, geometry);
    QFETCH(QString, label);

    const auto entries = m_form->findChildren<QAbstractButton *>(name);
    QCOMPARE(entries.size(), 4);
    QAbstractButton *entry = nullptr;
    for (QAbstractButton *e : entries) {
        if (e->property("Index").toInt() == index)
            entry = e;
    }
    QVERIFY(entry);
    QCOMPARE(entry->geometry(), geometry);
    QCOMPARE(entry->text(), QString());
    // The meaning stands in a plain label to its right, at the same height.
    QLabel *beside = nullptr;
    for (QLabel *l : entry->parentWidget()->findChildren<QLabel *>()) {
        if (l->x() == 32 && l->y() == geometry.y())
            beside = l;
    }
    QVERIFY(beside);
    QCOMPARE(beside->text(), label);
}

void tst_MainWindow::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("entries"); // name=caption, "-" for separators

    QTest::newRow("File") << "menu_File"
                          << "File"
                          << QStringList{"menuOpen_message=Open Message",
                                         "menu_Save_Message=Save Message", "menu_space1=-",
                                         "menu_Exit=Exit"};
    QTest::newRow("Vako") << "menu_VAKO_model"
                          << "Vako"
                          << QStringList{"menu_VAKO_BIRCH=BIRCH", "menu_VAKO_ALDER=ALDER"};
    QTest::newRow("Com") << "menuCom_setting"
                         << "Com"
                         << QStringList{"menuCom=No Free Com Ports Found ?", "menu_space2=-",
                                        "menu_Baud_Rate=Baud Rate", "menu_space3=-",
                                        "menuCloseComPort=Close Com Port"};
    QTest::newRow("Keyer") << "menu_Keyer_Type"
                           << "Keyer"
                           << QStringList{"menu_Keyer=Dot Priority", "menu_Keyer=Iambic A",
                                          "menu_Keyer=Iambic B", "menu_Keyer=Straight"};
    QTest::newRow("Help") << "menu_Help"
                          << "Help"
                          << QStringList{"menu_Guide=Guide", "menu_space4=-",
                                         "menuShow_VAKO_Software_Version=Show VAKO Transmitter "
                                         "Information",
                                         "menu_space5=-", "menu_About=About"};
}

void tst_MainWindow::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QStringList, entries);

    auto *m = m_form->findChild<QMenu *>(menu);
    QVERIFY(m);
    QCOMPARE(m->title(), caption);
    QStringList shown;
    for (QAction *a : m->actions()) {
        shown << a->objectName() + u'=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
        QVERIFY(a->shortcut().isEmpty());
        QVERIFY2(!a->text().contains(u'&'), "no access keys");
    }
    QCOMPARE(shown, entries);

    // The five menus stand in this order in the bar.
    QStringList bar;
    for (QAction *a : m_form->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"File", "Vako", "Com", "Keyer", "Help"}));
}

void tst_MainWindow::initialState()
{
    Ui::main_Form &ui = m_form->ui();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("VAKO BIRCH Transmitter"));
    QCOMPARE(m_form->centralWidget()->size(), QSize(417, 238));
    QCOMPARE(m_form->panel().ui.Step_Option->checkedId(), 2);
    QCOMPARE(m_form->panel().ui.Power_Option->checkedId(), 0);
    QVERIFY(ui.menu_VAKO_BIRCH->isChecked());
    for (QAction *a : m_form->findChildren<QAction *>()) {
        if (a != ui.menu_VAKO_BIRCH)
            QVERIFY2(!a->isChecked(), qPrintable(a->objectName()));
        QVERIFY2(a->isEnabled() && a->isVisible(), qPrintable(a->objectName()));
    }
    QCOMPARE(m_form->Timer1().interval(), 100);
    QVERIFY(m_form->Timer1().isSingleShot());
    QVERIFY(!m_form->Timer1().isActive());
    QCOMPARE(ui.Message_Text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(ui.Message_Text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

void tst_MainWindow::captionsFit()
{
    for (QWidget *w : m_form->centralWidget()->findChildren<QWidget *>()) {
        QString caption;
        int room = w->width();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            caption = label->text();
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            caption = button->text();
            room -= 4; // the button's bevel
        } else {
            continue;
        }
        // What must fit is the ink of the caption, not the spacing after it.
        const int needed = w->fontMetrics().boundingRect(caption).right() + 1;
        QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                                .arg(w->objectName(), caption)
                                                .arg(needed)
                                                .arg(room)));
    }
    // The widest figures the displays show in normal use.
    const QFontMetrics big = m_form->ui().Frequency_display->fontMetrics();
    QVERIFY(big.boundingRect(QStringLiteral("888.888")).right() < 73);
    QVERIFY(big.boundingRect(QStringLiteral("50.5")).width() <= 35);
}

void tst_MainWindow::tabOrderStartsWithTheMessage()
{
    Ui::main_Form &ui = m_form->ui();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    ui.Message_Text->setFocus();
    QTest::keyClick(ui.Message_Text, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui.Send_button));
    QCOMPARE(ui.Message_Text->toPlainText(), QString()); // Tab typed nothing
    QTest::keyClick(ui.Send_button, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui.Stop_button));
    m_form->hide();
}

void tst_MainWindow::menuClickDoesNotToggleCheckMarks()
{
    // The Vako entries are checked by the program only; a click must not
    // move the check mark by itself.
    Ui::main_Form &ui = m_form->ui();
    const bool alder = ui.menu_VAKO_ALDER->isChecked();
    ui.menu_Keyer1->trigger();
    QVERIFY(!ui.menu_Keyer1->isChecked());
    QCOMPARE(ui.menu_VAKO_ALDER->isChecked(), alder);
}

void tst_MainWindow::messageHoldsAtMost200Characters_data()
{
    QTest::addColumn<QString>("put");
    QTest::addColumn<QString>("held");
    const QString full(200, u'E');
    QTest::newRow("short text as is") << "CQ DE VAKO K"
                                      << "CQ DE VAKO K";
    QTest::newRow("exactly 200") << full << full;
    QTest::newRow("longer text cut") << QString(full + "TAIL") << full;
    QTest::newRow("line breaks count")
        << QString(QString(199, u'A') + "\nBC") << QString(QString(199, u'A') + "\n");
}

void tst_MainWindow::messageHoldsAtMost200Characters()
{
    QFETCH(QString, put);
    QFETCH(QString, held);
    QPlainTextEdit *box = m_form->ui().Message_Text;
    box->setPlainText(put);
    QCOMPARE(box->toPlainText(), held);

    // Typing stops at the 200th character.
    box->setPlainText(QString(200, u'X'));
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, "YZ");
    QCOMPARE(box->toPlainText(), QString(200, u'X'));
    box->clear();
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
