// The main window on the offscreen platform: real widgets, real events, real files.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <functional>
#include <memory>
#include <random>

#include "Application.h"
#include "CommandLine.h"
#include "DataFiles.h"
#include "FilePaths.h"
#include "SessionRecord.h"
#include "Startup.h"
#include "TestSupport.h"
#include "Unit1.h"

namespace {

// Answers every modal message box as it opens and remembers what it said, so a
// test that makes the program show one never hangs on it.
class TModalBoxes : public QObject {
public:
    struct TBox {
        QMessageBox::Icon Icon;
        QString Text;
    };

    TModalBoxes() {
        Poll_.setInterval(5);
        connect(&Poll_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Shown.push_back({box->icon(), box->text()});
                box->accept();
            }
        });
        Poll_.start();
    }

    std::vector<TBox> Shown;

private:
    QTimer Poll_;
};

int Argc = 1;
char ArgvText[] = "tst_window";
char* Argv[] = {ArgvText, nullptr};

// A form whose handlers fail, to watch how failures are reported.
class TFailingForm : public TForm {
public:
    TFailingForm() : Button(new TButton(this)) {
        Button->OnClick = [this](TObject* sender) { ButtonClick(sender); };
    }
    void FormCreate(TObject*) { throw Exception("при создании"); }
    void ButtonClick(TObject*) {
        ++Clicks;
        if (Clicks == 1) throw Exception("первый щелчок");
        throw std::runtime_error("not a framework error");
    }

    TButton* Button;
    int Clicks = 0;
};

// The decimal form a value label shows.
QString Shown(TRegister value) {
    return QString::number(value);
}

// One of the two text boxes the memo table drives alike: ours, and Qt's own.
struct TTextBox {
    QWidget* Keys;                       // takes the keys
    QWidget* Mouse;                      // takes the mouse
    std::function<QPoint(int)> PointOf;  // a third into the character at an offset
    std::function<QMenu*()> ContextMenu;
    std::function<void(const QString&)> SetPlainText;
};

using TTextBoxAction = std::function<void(const TTextBox&)>;

TTextBoxAction Type(const char* text) {
    return [=](const TTextBox& box) { QTest::keyClicks(box.Keys, QString::fromUtf8(text)); };
}
TTextBoxAction Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    return [=](const TTextBox& box) { QTest::keyClick(box.Keys, key, modifiers); };
}
TTextBoxAction Click(int offset, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = {}) {
    return [=](const TTextBox& box) {
        QTest::mouseClick(box.Mouse, button, modifiers, box.PointOf(offset));
    };
}
TTextBoxAction DoubleClick(int offset) {
    return [=](const TTextBox& box) {
        QTest::mouseDClick(box.Mouse, Qt::LeftButton, {}, box.PointOf(offset));
    };
}
TTextBoxAction Drag(int from, int to) {
    return [=](const TTextBox& box) {
        QTest::mousePress(box.Mouse, Qt::LeftButton, {}, box.PointOf(from));
        QMouseEvent move(QEvent::MouseMove, box.PointOf(to),
                         box.Mouse->mapToGlobal(box.PointOf(to)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(box.Mouse, &move);
        QTest::mouseRelease(box.Mouse, Qt::LeftButton, {}, box.PointOf(to));
    };
}
TTextBoxAction SetPlainText(const char* text) {
    return [=](const TTextBox& box) { box.SetPlainText(QString::fromUtf8(text)); };
}
TTextBoxAction MenuEntry(const char* name) {
    return [=](const TTextBox& box) {
        std::unique_ptr<QMenu> menu(box.ContextMenu());
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name)) action->trigger();
    };
}

// The text, caret and selection a box is left with, both clipboards, and what
// its context menu would offer then.
QStringList Outcome(const QString& text, int cursor, int anchor, QMenu* menu) {
    QStringList outcome = {text, QString("caret %1, anchor %2").arg(cursor).arg(anchor),
                           "clipboard " + QApplication::clipboard()->text()};
    if (QApplication::clipboard()->supportsSelection())
        outcome << "selection " + QApplication::clipboard()->text(QClipboard::Selection);
    for (QAction* action : menu->actions())
        outcome << action->objectName() + " " + action->text() +
                       (action->isEnabled() ? "" : " off");
    delete menu;
    return outcome;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<TTextBoxAction>)

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpState();
    void layout_data();
    void layout();
    void windowAndOrder();
    void fixedColoursUnderADarkTheme();
    void workedExampleClickByClick();
    void everyValueLabel_data();
    void everyValueLabel();
    void returnClicksTheFocusedButton();
    void automaticStepping();
    void failedOpens_data();
    void failedOpens();
    void failedWriteIsShownOnce();
    void folderArgument_data();
    void folderArgument();
    void dumpThatCannotBeCreated();
    void startUpWithTheFolderDialog();
    void diagramWindow();
    void commandLine_data();
    void commandLine();
    void chosenFolderIsRemembered();
    void fullDiskThenFreedLosesNothing();
    void handlerErrorsAreShownAndTheLoopGoesOn();
    void errorEscapingTheLoopIsShownAndExitCodeIsZero();
    void memoIsEditableAndAStepRestoresHistory();
    void memoShowsItsOldestLineAfterEveryStep();
    void memoBreaksLinesAsTextLayoutDoes();
    void memoReachesAssistiveTechnology();
    void memoBehavesAsAStandardTextBox_data();
    void memoBehavesAsAStandardTextBox();
    void memoMenuInTheUsersLanguage();
    void memoFrameIsATextBoxFrame();

private:
    void CreateWindow() { Application->CreateForm(Form1); }
    void ShowWindow() {
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
    }
    QStringList ValueTexts() const;

    std::unique_ptr<TScratchDirectory> Scratch_;
    std::unique_ptr<TApplication> Application_;
    std::unique_ptr<TModalBoxes> Boxes_;
};

void WindowTest::init() {
    Scratch_ = std::make_unique<TScratchDirectory>();
    WriteTextFile("input.txt", WorkedExampleInput);
    PreprocessorModel = TPreprocessorModel{};
    DataFiles = TDataFiles{};
    Application_ = std::make_unique<TApplication>(Argc, Argv);
    Application_->Initialize();
    Boxes_ = std::make_unique<TModalBoxes>();
    EnterWorkingFolder(std::nullopt);
}

void WindowTest::cleanup() {
    Boxes_.reset();
    Application_.reset();
    Form1 = nullptr;
    DataFiles = TDataFiles{};
    Scratch_.reset();
}

QStringList WindowTest::ValueTexts() const {
    QStringList texts;
    for (QLabel* label : Form1->ValueLabels()) texts << label->text();
    return texts;
}

void WindowTest::startUpState() {
    WriteTextFile("output.txt", "old output");
    CreateWindow();
    QVERIFY(Boxes_->Shown.empty());
    QCOMPARE(ValueTexts(), QStringList(15, QString()));
    QCOMPARE(Form1->Memo1->toPlainText(), QString());
    QVERIFY(!Form1->Timer1->isActive());
    QVERIFY(Form1->Button1->isEnabled() && Form1->Button2->isEnabled());
    QCOMPARE(ReadTextFile("output.txt"), "");
    QCOMPARE(Form1->Timer1->interval(), 1000);
}

void WindowTest::layout_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");  // a label's size is that of its text
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("pixelSize");
    const auto row = [](const char* name, const char* parent, QRect geometry, const char* caption,
                        int pixelSize) {
        QTest::newRow(name) << parent << geometry << QString::fromUtf8(caption) << pixelSize;
    };
    row("GroupBox1", "TForm1", {0, 0, 976, 65}, "Режим моделирования", 11);
    row("Button1", "GroupBox1", {720, 24, 185, 25}, "Следующий шаг", 11);
    row("Button2", "GroupBox1", {48, 24, 193, 25}, "Имитация работы препроцессора", 11);
    row("GroupBox2", "TForm1", {0, 65, 976, 248}, "Операции препроцессора", 11);
    row("Label2", "GroupBox2", {23, 28, 0, 0}, "Y1", 20);
    row("Label5", "GroupBox2", {23, 204, 0, 0}, "Y3", 20);
    row("Label1", "GroupBox2", {140, 24, 0, 0}, "-", 27);
    row("FR1", "GroupBox2", {71, 23, 0, 0}, "", 27);
    row("FR2", "GroupBox2", {177, 24, 0, 0}, "", 27);
    row("FRM1", "GroupBox2", {69, 79, 0, 0}, "", 27);
    row("FRT1", "GroupBox2", {67, 133, 0, 0}, "", 27);
    row("FRT6", "GroupBox2", {468, 132, 0, 0}, "", 27);
    row("FRT11", "GroupBox2", {904, 129, 0, 0}, "", 27);
    row("FROUT", "GroupBox2", {66, 193, 0, 0}, "", 27);
    row("GroupBox3", "TForm1", {0, 313, 976, 65}, "Выходные данные", 11);
    row("Label7", "GroupBox3", {15, 20, 0, 0}, "ODB", 20);
    row("Memo1", "GroupBox3", {64, 16, 881, 33}, "", 19);
}

void WindowTest::layout() {
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(int, pixelSize);
    CreateWindow();
    auto* control = Form1->findChild<QWidget*>(QTest::currentDataTag());
    QVERIFY(control);
    control->ensurePolished();
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->pos(), geometry.topLeft());
    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->size(), label->sizeHint());
    } else {
        QCOMPARE(control->size(), geometry.size());
    }
    if (auto* box = qobject_cast<QGroupBox*>(control)) QCOMPARE(box->title(), caption);
    if (auto* button = qobject_cast<QPushButton*>(control)) QCOMPARE(button->text(), caption);
    QCOMPARE(control->font().pixelSize(), pixelSize);
    QCOMPARE(QFontInfo(control->font()).family(), QString("Liberation Sans"));
}

void WindowTest::windowAndOrder() {
    CreateWindow();
    QCOMPARE(Form1->windowTitle(), QString("Моделирование работы препроцессора"));
    QCOMPARE(Form1->pos(), QPoint(174, 135));
    QCOMPARE(Form1->minimumSize(), QSize(976, 378));
    QCOMPARE(Form1->maximumSize(), QSize(976, 378));
    const Qt::WindowFlags flags = Form1->windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    // The program's own icon, from its resources, at the title bar's and task bar's sizes.
    for (QSize size : {QSize(16, 16), QSize(32, 32), QSize(256, 256)})
        QVERIFY(Form1->windowIcon().availableSizes().contains(size));
    const QColor gray(128, 128, 128);
    QCOMPARE(Form1->Label2->grab().toImage().pixelColor(0, 0), gray);  // opaque labels
    QCOMPARE(Form1->Memo1->grab().toImage().pixelColor(10, 10), QColor(Qt::white));

    // Later siblings are drawn on top: the stacking follows the creation order.
    QStringList stacking;
    for (QObject* child : Form1->GroupBox2->children()) stacking << child->objectName();
    QCOMPARE(stacking, QStringList({"FRT8", "FRT9",   "FRT7",   "FRT6",   "FRT5",   "FRT4",  "FRT3",
                                    "FRT2", "FRT11",  "FRT10",  "FRT1",   "FROUT",  "FRM1",  "FR2",
                                    "FR1",  "Label1", "Label5", "Label4", "Label3", "Label2"}));

    Form1->show();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    QCOMPARE(QApplication::focusWidget(), Form1->Button1);
    QTest::keyClick(Form1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Form1->Button2);
    QTest::keyClick(Form1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form1->Memo1));
}

// Whatever palette and style the desktop sets, the form keeps its gray with black
// text on it, and the memo its white with black text; the buttons follow the theme.
void WindowTest::fixedColoursUnderADarkTheme() {
    const QPalette desktop = QApplication::palette();
    const QString desktopStyle = QApplication::style()->name();
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(45, 45, 48));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, Qt::white);
    QApplication::setStyle("Fusion");
    QApplication::setPalette(dark);
    CreateWindow();
    ShowWindow();
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    const auto colours = [](QWidget* widget) {
        QSet<QRgb> seen;
        const QImage image = widget->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
        return seen;
    };
    const QRgb gray = qRgb(128, 128, 128), black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (QWidget* onGray :
         std::initializer_list<QWidget*>{Form1->FR1, Form1->Label2, Form1->GroupBox2}) {
        const auto seen = colours(onGray);
        QVERIFY2(seen.contains(gray) && seen.contains(black), qPrintable(onGray->objectName()));
        QVERIFY2(!seen.contains(white), qPrintable(onGray->objectName()));
    }
    const auto memo = colours(Form1->Memo1);
    QVERIFY(memo.contains(white) && memo.contains(black));
    QVERIFY(colours(Form1->Button1).contains(QColor(45, 45, 48).rgb()));  // the theme's button
    QApplication::setPalette(desktop);
    QApplication::setStyle(desktopStyle);
}

void WindowTest::workedExampleClickByClick() {
    CreateWindow();
    QString written;
    for (const TWorkedExampleRow& row : WorkedExampleRows) {
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        const QStringList shown = ValueTexts();
        const QStringList expected = {Shown(row.Fr1),  Shown(row.Fr2),  Shown(row.Frt1),
                                      Shown(row.Frt2), Shown(row.Frt3), Shown(row.Frt4)};
        QCOMPARE(shown.mid(0, 6), expected);
        QCOMPARE(Form1->FRM1->text(), Shown(row.Frm1));
        QCOMPARE(Form1->FROUT->text(), Shown(row.FrOut));
        written += Shown(row.Written) + " ";
        QCOMPARE(Form1->Memo1->toPlainText(), " " + written);
        QCOMPARE(Form1->FR1->size(), Form1->FR1->sizeHint());
    }
    QCOMPARE(ReadTextFile("output.txt"), WorkedExampleOutput);
}

// Pairs k, 0 for k = 1..12: at the twelfth step every cell of the delay line
// holds a different value, so each label must show its own register.
void WindowTest::everyValueLabel_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("accessibleName");
    const auto row = [](const char* name, const char* shown, const char* accessibleName) {
        QTest::newRow(name) << shown << QString::fromUtf8(accessibleName);
    };
    row("FR1", "12", "Y1, уменьшаемое");
    row("FR2", "0", "Y1, вычитаемое");
    row("FRM1", "11", "Y2, разность");
    row("FRT1", "11", "Y3, линия задержки, ячейка 1");
    row("FRT2", "10", "Y3, линия задержки, ячейка 2");
    row("FRT3", "9", "Y3, линия задержки, ячейка 3");
    row("FRT4", "8", "Y3, линия задержки, ячейка 4");
    row("FRT5", "7", "Y3, линия задержки, ячейка 5");
    row("FRT6", "6", "Y3, линия задержки, ячейка 6");
    row("FRT7", "5", "Y3, линия задержки, ячейка 7");
    row("FRT8", "4", "Y3, линия задержки, ячейка 8");
    row("FRT9", "3", "Y3, линия задержки, ячейка 9");
    row("FRT10", "2", "Y3, линия задержки, ячейка 10");
    row("FRT11", "1", "Y3, линия задержки, ячейка 11");
    row("FROUT", "55", "Y3, сумма окна");
}

void WindowTest::everyValueLabel() {
    QFETCH(QString, shown);
    QFETCH(QString, accessibleName);
    WriteTextFile("input.txt", "1 0 2 0 3 0 4 0 5 0 6 0 7 0 8 0 9 0 10 0 11 0 12 0");
    CreateWindow();
    for (int step = 0; step < 12; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    auto* label = Form1->findChild<QLabel*>(QTest::currentDataTag());
    QVERIFY(label);
    QCOMPARE(label->text(), shown);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    // Each digit where the label draws it, side by side, within the label.
    QAccessibleTextInterface* text = accessible->textInterface();
    const QRect label_ = QRect(label->mapToGlobal(QPoint(0, 0)), label->size());
    const QFontMetrics metrics(label->font());
    for (int i = 0; i < shown.size(); ++i) {
        const QRect digit = text->characterRect(i);
        QVERIFY2(label_.contains(digit), qPrintable(QString("digit %1").arg(i)));
        QCOMPARE(digit.left() - label_.left(), metrics.horizontalAdvance(shown.left(i)));
        QCOMPARE(text->offsetAtPoint(digit.center()), i);
    }
}

// As on the original platform, a focused push button is the default one: Return
// and keypad Enter click it. Elsewhere Return does what that control does.
void WindowTest::returnClicksTheFocusedButton() {
    CreateWindow();
    ShowWindow();
    QCOMPARE(QApplication::focusWidget(), Form1->Button1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(Form1->FR1->text(), QString("5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Form1->FR1->text(), QString("7"));

    QTest::keyClick(Form1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Form1->Button2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(Form1->Timer1->isActive());
    QVERIFY(!Form1->Button2->isEnabled());
    QTest::keyClick(Form1->Button2, Qt::Key_Return);  // greyed out: nothing happens
    QCOMPARE(Form1->FR1->text(), QString("7"));
    QCOMPARE(QApplication::focusWidget(), Form1->Button1);  // not the memo
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(Form1->FR1->text(), QString("4"));

    Form1->Memo1->setFocus();
    QTest::keyClick(Form1->Memo1, Qt::Key_Return);
    QCOMPARE(Form1->FR1->text(), QString("4"));
    QCOMPARE(Form1->Memo1->toPlainText(), QString("\n 0 0 0 "));
}

void WindowTest::automaticStepping() {
    CreateWindow();
    QSignalSpy clicks(Form1->Button2, &QPushButton::clicked);
    QElapsedTimer sinceClick;
    QTest::mouseClick(Form1->Button2, Qt::LeftButton);
    sinceClick.start();
    QVERIFY(!Form1->Button2->isEnabled());
    QVERIFY(Form1->Timer1->isActive());
    QCOMPARE(Form1->FR1->text(), QString());  // the first tick comes a period later

    QTRY_COMPARE_WITH_TIMEOUT(Form1->FR1->text(), QString("5"), 3000);
    QVERIFY(sinceClick.elapsed() >= 900);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(Form1->FR1->text(), QString("7"));

    QTest::mouseClick(Form1->Button2, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Form1->FR1->text(), QString("4"), 3000);
}

void WindowTest::failedOpens_data() {
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("message");
    QTest::newRow("input") << "input.txt"
                           << "Невозможно открыть файл INPUT.TXT";
    QTest::newRow("output") << "output.txt"
                            << "Невозможно открыть файл OUTPUT.TXT";
}

void WindowTest::failedOpens() {
    QFETCH(QString, missing);
    QFETCH(QString, message);
    std::filesystem::remove("input.txt");
    if (missing != "input.txt") std::filesystem::create_directory(missing.toStdString());
    if (missing == "output.txt") WriteTextFile("input.txt", WorkedExampleInput);
    CreateWindow();
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Text, message);
    QCOMPARE(Boxes_->Shown[0].Icon, QMessageBox::NoIcon);
    QVERIFY(!Form1->Button1->isEnabled() && !Form1->Button2->isEnabled());
    QCOMPARE(ValueTexts(), QStringList(15, QString()));
    if (missing.startsWith("input.txt")) QVERIFY(!std::filesystem::exists("output.txt"));
}

// A failing output.txt is reported once; the steps go on, and are recorded, the
// one that failed first too (its Minuend, 5, is 101 in the dump, the next one's 111).
void WindowTest::failedWriteIsShownOnce() {
    std::filesystem::create_symlink("/dev/full", "output.txt");
    StartRecording("session.vcd");
    CreateWindow();
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Icon, QMessageBox::Critical);
    QCOMPARE(Boxes_->Shown[0].Text, QString("Ошибка записи в файл OUTPUT.TXT"));
    QCOMPARE(Form1->FR1->text(), QString("7"));
    QCOMPARE(Form1->Memo1->toPlainText(), QString(" 0 0 "));
    const std::string dump = ReadTextFile("session.vcd");
    SessionRecord.Finish();
    const auto first = dump.find("\nb101 !\n"), second = dump.find("\nb111 !\n");
    QVERIFY2(first < second && second != std::string::npos, dump.c_str());
}

// A disk that fills up and then frees space: the error is shown once, and in the
// end output.txt holds every value of every step, whole and in order.
void WindowTest::fullDiskThenFreedLosesNothing() {
#ifdef _WIN32
    QSKIP("needs a file size limit of POSIX");
#else
    WriteTextFile("input.txt", "100000 1 200000 3 300000 7 400000 9 -999 0");
    CreateWindow();
    {
        TFileSizeLimit disk(64);
        for (int step = 0; step < 30; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
        QCOMPARE(Boxes_->Shown[0].Text, QString("Ошибка записи в файл OUTPUT.TXT"));
        QVERIFY(std::filesystem::file_size("output.txt") <= 64);
        disk.Lift();
        for (int step = 0; step < 5; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    }
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    const std::string expected =
        "0 0 0 99999 299996 599989 999980 999980 999980 999980 999980 999980 999980 "
        "899981 699984 399991 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ";
    QCOMPARE(ReadTextFile("output.txt"), expected);
    QCOMPARE(Form1->Memo1->toPlainText(), " " + QString::fromStdString(expected));
#endif
}

// preprocessor-sim FOLDER: as if started in the folder; one that cannot be
// entered is named in a box with the system's reason, and nothing is created.
void WindowTest::folderArgument_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("Cyrillic, with a space") << "Данные с пробелом"
                                            << "";
    QTest::newRow("missing") << "нет такой"
                             << "Невозможно открыть папку %1 (No such file or directory)";
    QTest::newRow("a file") << "input.txt"
                            << "Невозможно открыть папку %1 (Not a directory)";
}

void WindowTest::folderArgument() {
    QFETCH(QString, folder);
    QFETCH(QString, message);
    const auto cyrillicFolder = PathFromUtf8("Данные с пробелом");
    std::filesystem::create_directory(cyrillicFolder);
    WriteTextFile(cyrillicFolder / "input.txt", WorkedExampleInput);
    const QString path = QDir::current().absoluteFilePath(folder);
    EnterWorkingFolder(path.toStdString());
    CreateWindow();
    if (message.isEmpty()) {
        QVERIFY(Boxes_->Shown.empty());
        for (int step = 0; step < 16; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(ReadTextFile(PathFromUtf8(path.toStdString()) / "output.txt"),
                 WorkedExampleOutput);
        return;
    }
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Text, message.arg(path));
    QVERIFY(!Form1->Button1->isEnabled() && !Form1->Button2->isEnabled());
    QVERIFY(!std::filesystem::exists("output.txt"));
    QVERIFY(!std::filesystem::exists(cyrillicFolder / "output.txt"));
}

// preprocessor-sim --vcd FILE where FILE cannot be made: named in a box with the
// system's reason, and the window steps without recording.
void WindowTest::dumpThatCannotBeCreated() {
    WriteTextFile("input.txt", WorkedExampleInput);
    const QString path = QDir::current().absoluteFilePath("нет такой/session.vcd");
    StartRecording(path.toStdString());
    CreateWindow();
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Text,
             QString("Невозможно создать файл %1 (No such file or directory)").arg(path));
    for (int step = 0; step < 3; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(ReadTextFile("output.txt"), std::string("0 0 0 "));
}

// The program's start-up as the entry point runs it: with --choose-folder,
// cancelling the folder dialog ends the program with nothing touched (the
// output.txt where it started keeps its text); given a folder as well, it asks
// nothing and works there; an unknown option exits 2.
void WindowTest::startUpWithTheFolderDialog() {
    Application_.reset();  // the start-up makes the program's own
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::currentPath());
    WriteTextFile("output.txt", "kept ");
    // The folder dialog is cancelled; a window that opens steps once and is closed.
    bool asked = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            dialog->reject();
        }
        if (!Form1 || !Form1->isVisible()) return;
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        Form1->close();
    });
    user.start(20);
    char program[] = "preprocessor-sim", chooseFolder[] = "--choose-folder";
    char* cancelled[] = {program, chooseFolder, nullptr};
    int argc = 2;
    QCOMPARE(RunProgram(argc, cancelled), 0);
    QVERIFY(asked);
    QCOMPARE(Form1, nullptr);
    QCOMPARE(ReadTextFile("output.txt"), std::string("kept "));

    const auto chosen = std::filesystem::absolute("chosen");
    std::filesystem::create_directory(chosen);
    WriteTextFile(chosen / "input.txt", WorkedExampleInput);
    std::string folder = chosen.string();
    const auto started = std::filesystem::current_path();
    char dumpOption[] = "--vcd", dump[] = "session.vcd";  // where the program starts
    char* given[] = {program, chooseFolder, dumpOption, dump, folder.data(), nullptr};
    argc = 5;
    asked = false;
    QCOMPARE(RunProgram(argc, given), 0);
    SessionRecord.Finish();
    QVERIFY(!asked);
    QCOMPARE(ReadTextFile(chosen / "output.txt"), std::string("0 "));
    QVERIFY(std::filesystem::exists(started / "session.vcd"));
    QVERIFY(!std::filesystem::exists(chosen / "session.vcd"));

    // An option it does not know ends it at once with the usage's exit status.
    char unknownOption[] = "--no-such-option";
    char* unknown[] = {program, unknownOption, nullptr};
    argc = 2;
    QCOMPARE(RunProgram(argc, unknown), 2);
}

// The timing diagram's window. With --diagram it opens beside the main window,
// which keeps its place, the keyboard and its focus on "Следующий шаг"; it follows
// every step (its table at most a tenth of a second later), a row a step with the
// worked example's values; closing
// the main window ends the program all the same. Moved and closed, it opens again
// with Ctrl+D where it was, also in the next run of the program, with the whole
// session in it, the steps taken while it was closed too.
void WindowTest::diagramWindow() {
    Application_.reset();  // the start-up makes the program's own
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::currentPath());
    const auto diagram = []() -> QWidget* {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == QString("Временная диаграмма")) return window;
        return nullptr;
    };
    const auto column = [](QAbstractItemModel* model, const char* name) {
        for (int column = 0; column < model->columnCount(); ++column)
            if (model->headerData(column, Qt::Horizontal).toString() == QString(name)) return column;
        return -1;
    };
    const std::uint64_t before = SessionRecord.Steps();  // earlier tests' steps in this process
    QStringList shown;  // each step's difference and window sum, as the table gives them
    QRect mainPlace, mainPlaceAfterSteps;
    bool opened = false, keyboardKept = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!Form1 || !Form1->isVisible() || !QApplication::activeWindow()) return;
        user.stop();
        QWidget* window = diagram();
        opened = window && window->isVisible();
        keyboardKept = QApplication::activeWindow() == Form1 && QApplication::focusWidget() == Form1->Button1;
        mainPlace = Form1->geometry();
        for (int step = 0; step < 16; ++step) QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QTest::qWait(200);  // the table follows the steps ten times a second
        if (auto* table = window ? window->findChild<QTableView*>() : nullptr) {
            QAbstractItemModel* model = table->model();
            for (int row = model->rowCount() - 16; row >= 0 && row < model->rowCount(); ++row)
                shown << model->index(row, column(model, "Y2 разность")).data().toString() + ' ' +
                             model->index(row, column(model, "Y3 сумма окна")).data().toString();
            window->move(300, 40);
        }
        mainPlaceAfterSteps = Form1->geometry();
        Form1->close();
    });
    user.start(20);
    char program[] = "preprocessor-sim", option[] = "--diagram";
    char* arguments[] = {program, option, nullptr};
    int argc = 2;
    QCOMPARE(RunProgram(argc, arguments), 0);
    QVERIFY(opened && keyboardKept);
    QCOMPARE(mainPlaceAfterSteps, mainPlace);
    QStringList expected;
    for (const auto& row : WorkedExampleRows)
        expected << QString("%1 %2").arg(row.Frm1).arg(row.FrOut);
    QCOMPARE(shown, expected);

    // The next run: Ctrl+D opens it where it was left.
    Application_ = std::make_unique<TApplication>(Argc, Argv);
    Application_->Initialize();
    PreprocessorModel = TPreprocessorModel{};
    DataFiles = TDataFiles{};
    CreateWindow();
    ShowWindow();
    const QRect place = Form1->geometry();
    QTest::keyClick(Form1, Qt::Key_D, Qt::ControlModifier);
    QWidget* window = diagram();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->pos(), QPoint(300, 40));
    window->close();
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QTest::keyClick(Form1, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(window->isVisible() && window->pos() == QPoint(300, 40));
    QCOMPARE(Form1->geometry(), place);
    auto* model = window->findChild<QTableView*>()->model();
    const int steps = static_cast<int>(SessionRecord.Steps() - before);
    QCOMPARE(steps, 17);
    QCOMPARE(model->headerData(model->rowCount() - 1, Qt::Vertical).toString(),
             QString::number(SessionRecord.Steps()));
}

// The program's command line: a folder, --choose-folder, -- before a folder
// named like an option; help and version on standard output; anything else the
// usage on standard error and exit code 2.
void WindowTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");  // "" for none
    QTest::addColumn<bool>("chooseFolder");
    QTest::addColumn<int>("exitCode");     // -1: the program runs
    QTest::addColumn<QString>("printed");  // some of what is printed; "2>": on standard error
    const auto row = [](const char* name, QStringList arguments, const char* folder, bool choose,
                        int exitCode, const char* printed) {
        QTest::newRow(name) << arguments << QString::fromUtf8(folder) << choose << exitCode
                            << QString::fromUtf8(printed);
    };
    row("nothing", {}, "", false, -1, "");
    row("a folder", {"Данные с пробелом"}, "Данные с пробелом", false, -1, "");
    row("choose", {"--choose-folder"}, "", true, -1, "");
    row("choose, but given", {"--choose-folder", "/tmp"}, "/tmp", true, -1, "");
    row("a folder like an option", {"--", "-x"}, "-x", false, -1, "");
    row("help", {"--help"}, "", false, 0, "  --choose-folder");
    row("short help", {"-h"}, "", false, 0, "  -v, --version");
    row("version", {"--version"}, "", false, 0, "preprocessor-sim 1.0.0\n");
    row("unknown option", {"--colour"}, "", false, 2, "2>Unknown option 'colour'.");
    row("unknown short option", {"-x"}, "", false, 2, "2>Unknown option 'x'.");
    row("two folders", {"a", "b"}, "", false, 2, "2>Only one folder can be given.");
}

void WindowTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    QFETCH(bool, chooseFolder);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    const TCommandLine parsed = ParseCommandLine(QStringList{"tst_window"} + arguments);
    QCOMPARE(parsed.ExitCode.value_or(-1), exitCode);
    QCOMPARE(parsed.Folder.value_or(QString()), folder);
    QCOMPARE(parsed.ChooseFolder, chooseFolder);
    QCOMPARE(parsed.ToStandardError, printed.startsWith("2>"));
    QVERIFY2(parsed.Output.contains(printed.mid(printed.startsWith("2>") ? 2 : 0)),
             qPrintable(parsed.Output));
    if (exitCode == 2) QVERIFY(parsed.Output.contains(" [options] [FOLDER]\n"));
}

// The folder dialog starts where the last folder was chosen; cancelling it
// chooses nothing and forgets nothing.
void WindowTest::chosenFolderIsRemembered() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::currentPath());
    const QString first = QDir::current().absoluteFilePath("first");
    QDir().mkdir(first);
    QString shownIn;
    const auto answer = [&](bool accept) {
        QTimer::singleShot(50, [&, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shownIn = dialog->directory().absolutePath();
            if (!accept) return dialog->reject();
            dialog->setDirectory(first);  // chosen as a directory dialog's own folder
            static_cast<QDialog*>(dialog)->accept();
        });
    };
    answer(true);
    QCOMPARE(SelectDirectory("Выберите папку"), std::optional(first.toStdString()));
    answer(false);
    QCOMPARE(SelectDirectory("Выберите папку"), std::nullopt);
    QCOMPARE(shownIn, first);
    answer(false);
    SelectDirectory("Выберите папку");
    QCOMPARE(shownIn, first);
}

void WindowTest::handlerErrorsAreShownAndTheLoopGoesOn() {
    TFailingForm* form = nullptr;
    Application->CreateForm(form);
    QVERIFY(form);  // creation went on past the failing handler
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Text, QString("при создании"));

    QTest::mouseClick(form->Button, Qt::LeftButton);
    QTest::mouseClick(form->Button, Qt::LeftButton);
    QCOMPARE(form->Clicks, 2);
    QCOMPARE(Boxes_->Shown.size(), std::size_t{3});
    QCOMPARE(Boxes_->Shown[1].Text, QString("первый щелчок"));
    QCOMPARE(Boxes_->Shown[2].Icon, QMessageBox::Critical);
    QCOMPARE(Boxes_->Shown[2].Text, QString());  // not a framework error: no message

    bool loopAlive = false;
    QTimer::singleShot(0, [&] { loopAlive = true; });
    QTRY_VERIFY(loopAlive);
}

// What main does: an error of another kind escaping the event loop is shown in
// the standard error box with an empty message, and the exit code is still 0.
void WindowTest::errorEscapingTheLoopIsShownAndExitCodeIsZero() {
    bool ranOn = false;
    const int exitCode = Application->Execute([&] {
        Application->CreateForm(Form1);
        QTimer::singleShot(0, [] { throw std::runtime_error("out of the loop"); });
        Application->Run();
        ranOn = true;
    });
    QCOMPARE(exitCode, 0);
    QVERIFY(!ranOn);
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Icon, QMessageBox::Critical);
    QCOMPARE(Boxes_->Shown[0].Text, QString());

    QCOMPARE(Application->Execute([] { throw Exception("сообщение"); }), 0);
    QCOMPARE(Boxes_->Shown.back().Text, QString("сообщение"));
}

void WindowTest::memoIsEditableAndAStepRestoresHistory() {
    CreateWindow();
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    MemoBox* memo = Form1->Memo1;
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(memo, "ab");
    QTest::keyClick(memo, Qt::Key_Backspace);
    QCOMPARE(memo->toPlainText(), QString(" 0 a"));
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString(" 0 a"));

    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString::fromStdString(PreprocessorModel.History()));
    QCOMPARE(memo->cursorPosition(), qsizetype{0});
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString(" 0 0 0 "));
}

// However the user scrolled, moved the caret or selected, after a step the memo
// looks exactly like a fresh one given the whole history: first line showing,
// caret at the start, nothing selected.
void WindowTest::memoShowsItsOldestLineAfterEveryStep() {
    CreateWindow();
    ShowWindow();
    for (int step = 0; step < 200; ++step) DoStep();
    MemoBox* memo = Form1->Memo1;
    QCOMPARE(memo->firstVisibleLine(), 0);
    MemoBox fresh(Form1->GroupBox3);
    fresh.setObjectName("Memo1");  // the same style sheet rules
    fresh.setGeometry(memo->geometry());
    fresh.lower();
    const auto lookAlike = [&] {
        fresh.setPlainText(QString::fromStdString(PreprocessorModel.History()));
        return memo->grab().toImage() == fresh.grab().toImage();
    };
    QVERIFY(lookAlike());

    const auto wheel = [memo](int notches) {
        QWheelEvent event(QPointF(20, 10), memo->mapToGlobal(QPointF(20, 10)), {},
                          {0, -120 * notches}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(memo, &event);
    };
    const std::vector<std::function<void()>> userActions = {
        [&] {
            QTest::mouseClick(memo, Qt::LeftButton, {}, {100, 15});
            QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        },
        [&] { wheel(2); },
        [&] {
            memo->setFocus();
            QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        },
    };
    for (const auto& act : userActions) {
        act();
        QVERIFY(memo->firstVisibleLine() > 0 || !memo->selectedText().isEmpty());
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(memo->firstVisibleLine(), 0);
        QCOMPARE(memo->cursorPosition(), qsizetype{0});
        QCOMPARE(memo->selectedText(), QString());
        QVERIFY(lookAlike());
    }

    // One text line high: nothing of the second line shows below the first.
    const QImage shown = memo->grab().toImage();
    const int belowFirstLine = memo->contentsRect().top() + 2 + memo->fontMetrics().lineSpacing();
    for (int y = belowFirstLine; y < memo->contentsRect().bottom(); ++y)
        for (int x = memo->contentsRect().left(); x < memo->contentsRect().right(); ++x)
            QCOMPARE(shown.pixelColor(x, y), QColor(Qt::white));
}

// The memo breaks its lines where Qt's own text layout does: at spaces, the
// space hanging at the line's end; also for text added after it was painted.
// The memo breaks its lines where Qt's own text layout does: at spaces, the
// space hanging at the line's end; also for text added after it was painted,
// and after an edit that shortens a line laid out before.
void WindowTest::memoBreaksLinesAsTextLayoutDoes() {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> value(-99999, 99999);
    std::string input;
    for (int i = 0; i < 800; ++i) input += std::to_string(value(random)) + " ";
    WriteTextFile("input.txt", input);
    CreateWindow();
    ShowWindow();
    MemoBox* memo = Form1->Memo1;
    for (int round = 0; round < 4; ++round) {
        for (int step = 0; step < 100; ++step) DoStep();
        memo->grab();  // painted, so its first lines are laid out before the next steps
    }
    QAccessibleTextInterface* lines = QAccessible::queryAccessibleInterface(memo)->textInterface();
    const auto linesAsTextLayoutHasThem = [&] {
        const QString text = memo->toPlainText();
        QTextLayout layout(text, memo->textFont());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        const int width = memo->contentsRect().width() - 4;  // a margin of 2 on each side
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width);
        layout.endLayout();
        QVERIFY(layout.lineCount() > 20);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine expected = layout.lineAt(i);
            int start = -1, end = -1;
            lines->textAtOffset(expected.textStart(), QAccessible::LineBoundary, &start, &end);
            QCOMPARE(start, expected.textStart());
            QCOMPARE(end, expected.textStart() + expected.textLength());
        }
    };
    linesAsTextLayoutHasThem();
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i) QTest::keyClick(memo, Qt::Key_Delete);
    linesAsTextLayoutHasThem();

    // A character outside the basic plane is two UTF-16 units: no line begins
    // between them. A line feed ends its line without being shown on it.
    QString faces;
    for (int i = 0; i < 300; ++i) faces += QString::fromUcs4(U"\U0001F600");
    memo->setPlainText(faces + "\n12");
    const int lineFeed = faces.size();
    int start = -1, end = -1;
    lines->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
    QVERIFY(end < lineFeed);  // the faces take more than a line
    for (int offset = 0; offset < lineFeed; ++offset) {
        lines->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
        QVERIFY(!faces.at(start).isLowSurrogate());
    }
    lines->textAtOffset(lineFeed - 1, QAccessible::LineBoundary, &start, &end);
    QCOMPARE(end, lineFeed);
}

// Assistive technology reads the memo's text, caret and selection and edits it,
// as it does a standard editable text box.
void WindowTest::memoReachesAssistiveTechnology() {
    CreateWindow();
    ShowWindow();
    for (int step = 0; step < 3; ++step) DoStep();
    MemoBox* memo = Form1->Memo1;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(memo);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().editable && accessible->state().multiLine);
    QCOMPARE(accessible->text(QAccessible::Value), QString(" 0 0 0 "));
    QAccessibleTextInterface* text = accessible->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 7);
    QCOMPARE(text->text(1, 4), QString("0 0"));

    // Reading line by line ends: after the last line there is none (Qt's own text
    // box gives the last line again, and a screen reader reading on never stops).
    int start = -1, end = -1;
    QCOMPARE(text->textAfterOffset(2, QAccessible::LineBoundary, &start, &end), QString());
    QCOMPARE(start, end);


    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Right);
    QTest::keyClick(memo, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(memo, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(text->cursorPosition(), 3);
    QCOMPARE(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(1, 3));
    text->setSelection(0, 3, 5);
    QCOMPARE(memo->selectedText(), QString("0 "));
    text->setCursorPosition(6);
    QCOMPARE(text->selectionCount(), 0);
    QCOMPARE(memo->cursorPosition(), qsizetype{6});
    QCOMPARE(text->textAtOffset(3, QAccessible::WordBoundary, &start, &end), QString("0"));

    QCOMPARE(text->textBeforeOffset(0, QAccessible::WordBoundary, &start, &end), QString());
    QCOMPARE(std::pair(start, end), std::pair(0, 0));  // nothing before the first unit
    text->scrollToSubstring(3, 5);
    QCOMPARE(text->selectionCount(), 0);
    QCOMPARE(text->offsetAtPoint(memo->mapToGlobal(QPoint(-5, 5))), -1);
    QCOMPARE(text->offsetAtPoint(memo->mapToGlobal(memo->characterRect(3).center())), 3);

    QAccessibleEditableTextInterface* editable = accessible->editableTextInterface();
    QVERIFY(editable);
    editable->replaceText(1, 2, "x");
    QCOMPARE(memo->toPlainText(), QString(" x 0 0 "));
    accessible->setText(QAccessible::Value, "new\nline");
    QCOMPARE(memo->toPlainText(), QString("new\nline"));
    // A paragraph runs to the start of the next one: its line feed is read with it.
    QCOMPARE(text->textAtOffset(1, QAccessible::ParagraphBoundary, &start, &end), QString("new\n"));
    QCOMPARE(text->textAfterOffset(1, QAccessible::ParagraphBoundary, &start, &end), QString("line"));
    DoStep();  // a step discards the user's edit, as it does a typed one
    QCOMPARE(memo->toPlainText(), QString(" 0 0 0 3 "));
}

// The memo's frame is the one the style draws around a standard text box, at
// whatever scale the screen has (the suite runs this at 1, 1.5 and 2).
void WindowTest::memoFrameIsATextBoxFrame() {
    CreateWindow();
    ShowWindow();
    MemoBox* memo = Form1->Memo1;
    QPlainTextEdit standard(Form1->GroupBox3);
    standard.setObjectName("Memo1");  // the same style sheet rules
    standard.setGeometry(memo->geometry());
    standard.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    standard.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    standard.setFocusPolicy(Qt::NoFocus);
    const auto shown = [&](QWidget* box) {
        memo->setVisible(box == memo);
        standard.setVisible(box == &standard);
        return Form1->GroupBox3->grab(memo->geometry().adjusted(-2, -2, 2, 2)).toImage();
    };
    QCOMPARE(shown(memo), shown(&standard));
}

// The same keys and clicks given to the memo and to Qt's own plain text box,
// holding the same text: the same text, caret, selection, clipboards and menu.
void WindowTest::memoBehavesAsAStandardTextBox_data() {
    QTest::addColumn<std::vector<TTextBoxAction>>("actions");
    const auto row = [](const char* name, std::vector<TTextBoxAction> actions) {
        QTest::newRow(name) << actions;
    };
    const TTextBoxAction undo = Key(Qt::Key_Z, Qt::ControlModifier);
    const TTextBoxAction redo = Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    const TTextBoxAction end = Key(Qt::Key_End, Qt::ControlModifier);
    const TTextBoxAction selectLeft = Key(Qt::Key_Left, Qt::ShiftModifier);
    row("typing is one edit", {end, Type("ab cd"), undo});
    row("undone, then redone", {end, Type("ab"), undo, redo});
    row("redone by Ctrl+Y", {end, Type("ab"), undo, Key(Qt::Key_Y, Qt::ControlModifier)});
    row("backspaces are one edit",
        {end, Type("ab"), Key(Qt::Key_Backspace), Key(Qt::Key_Backspace), undo, undo});
    row("typing elsewhere is another", {end, Type("ab"), Key(Qt::Key_Left), Type("x"), undo});
    row("deletions forward",
        {Key(Qt::Key_Home, Qt::ControlModifier), Key(Qt::Key_Delete), Key(Qt::Key_Delete), undo});
    row("deletions apart", {Key(Qt::Key_Home, Qt::ControlModifier), Key(Qt::Key_Delete),
                            Key(Qt::Key_Right), Key(Qt::Key_Delete), undo});
    row("typing over a selection", {end, selectLeft, selectLeft, Type("zz"), undo});
    row("paste, then typing", {end, Key(Qt::Key_V, Qt::ControlModifier), Type("ab"), undo});
    row("typing, then paste", {end, Type("ab"), Key(Qt::Key_V, Qt::ControlModifier), undo});
    row("a new line", {end, Type("a"), Key(Qt::Key_Return), Type("c"), undo, undo});
    row("text set anew", {end, Type("ab"), SetPlainText(" 1 2 3 "), undo});
    row("cut and undone", {end, selectLeft, selectLeft, Key(Qt::Key_X, Qt::ControlModifier), undo});
    row("a new edit drops the redo", {end, Type("ab"), undo, Type("c"), redo});
    row("double click on a number", {DoubleClick(4)});
    row("double click on a sign", {DoubleClick(6)});
    row("triple click", {DoubleClick(7), Click(7)});
    row("triple click, second line", {DoubleClick(21), Click(21)});
    row("drag", {Drag(3, 8)});
    row("shift click", {Click(2), Click(9, Qt::LeftButton, Qt::ShiftModifier)});
    row("selection by keys", {end, selectLeft, selectLeft, selectLeft});
    row("select all and copy",
        {Key(Qt::Key_A, Qt::ControlModifier), Key(Qt::Key_C, Qt::ControlModifier)});
    row("menu: select all, copy", {MenuEntry("select-all"), MenuEntry("edit-copy")});
    row("menu: undo, redo", {end, Type("ab"), MenuEntry("edit-undo"), MenuEntry("edit-redo")});
    row("menu: cut, paste",
        {DoubleClick(4), MenuEntry("edit-cut"), Click(0), MenuEntry("edit-paste")});
    row("menu: delete", {DoubleClick(4), MenuEntry("edit-delete"), undo});
    row("right click leaves the caret", {Click(2), Click(9, Qt::RightButton)});
    row("middle click pastes the selection", {DoubleClick(7), Click(2, Qt::MiddleButton)});
    row("End on a line ending in a line feed",
        {Key(Qt::Key_Home, Qt::ControlModifier), Key(Qt::Key_End), Type("x")});
    row("Up and Down keep the column", {Click(5), Key(Qt::Key_Down), Key(Qt::Key_Up), Type("x")});
    row("Up from the end keeps the column", {end, Key(Qt::Key_Up), Key(Qt::Key_Down), Type("x")});
    row("double click, second line", {DoubleClick(24)});
    row("Down lands on the nearer side of a wide letter",
        {SetPlainText("1234567890\nWWWWWWWWWW"), Click(3), Key(Qt::Key_Down), Type("x")});
    row("Down through a shorter line keeps the column",
        {SetPlainText("1234567890\n12\n1234567890"), Click(8), Key(Qt::Key_Down),
         Key(Qt::Key_Down), Type("x")});
}

void WindowTest::memoBehavesAsAStandardTextBox() {
    QFETCH(std::vector<TTextBoxAction>, actions);
    if (QString(QTest::currentDataTag()).startsWith("middle click") &&
        !QApplication::clipboard()->supportsSelection())
        QSKIP("no primary selection on this platform: the X11 run checks the middle click");
    const QString text = QStringLiteral(" 0 0 3 9 12 -34 16 \nsecond line");
    QWidget host;
    host.resize(900, 120);
    MemoBox memo(&host);
    QPlainTextEdit standard(&host);
    for (QWidget* box : {static_cast<QWidget*>(&memo), static_cast<QWidget*>(&standard)}) {
        box->setGeometry(0, 0, 881, 100);
        QFont font("Liberation Sans");
        font.setPixelSize(19);
        box->setFont(font);
    }
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    const auto run = [&](const TTextBox& box) {
        QApplication::clipboard()->setText("XY");
        QApplication::clipboard()->clear(QClipboard::Selection);
        for (const TTextBoxAction& act : actions) act(box);
    };
    memo.setPlainText(text);
    memo.setFocus();
    run({&memo, &memo, [&](int offset) { return memo.characterRect(offset).center(); },
         [&] { return memo.createStandardContextMenu(); },
         [&](const QString& replacement) { memo.setPlainText(replacement); }});
    const QStringList ours = Outcome(memo.toPlainText(), int(memo.cursorPosition()),
                                     int(memo.anchorPosition()), memo.createStandardContextMenu());
    standard.setPlainText(text);
    standard.setFocus();
    run({&standard, standard.viewport(),
         [&](int offset) {
             QTextCursor at(standard.document());
             at.setPosition(offset);
             const QRect left = standard.cursorRect(at);
             at.setPosition(offset + 1);
             const QRect right = standard.cursorRect(at);
             const int x =
                 right.top() == left.top() ? left.x() + (right.x() - left.x()) / 3 : left.x() + 3;
             return QPoint(x, left.center().y());
         },
         [&] { return standard.createStandardContextMenu(); },
         [&](const QString& replacement) { standard.setPlainText(replacement); }});
    const QStringList theirs =
        Outcome(standard.toPlainText(), standard.textCursor().position(),
                standard.textCursor().anchor(), standard.createStandardContextMenu());
    QCOMPARE(ours, theirs);
}

// A Russian desktop gets the memo's context menu in Russian, through Qt's own
// translations.
void WindowTest::memoMenuInTheUsersLanguage() {
    const QLocale desktop;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Application_ = std::make_unique<TApplication>(Argc, Argv);
    Application_->Initialize();
    MemoBox memo;
    std::unique_ptr<QMenu> menu(memo.createStandardContextMenu());
    QLocale::setDefault(desktop);
    QStringList entries;
    for (QAction* action : menu->actions()) entries << action->text().section('\t', 0, 0);
    QCOMPARE(entries, QStringList({"&Отменить действие", "&Повторить действие", "", "&Вырезать",
                                   "&Копировать", "В&ставить", "Удалить", "", "Выделить всё"}));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
