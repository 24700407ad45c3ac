// The main window on the offscreen platform: real widgets, real events, real files.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "Application.h"
#include "DataFiles.h"
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
class TFailingForm : public QWidget {
public:
    TFailingForm() : Button(new QPushButton(this)) {
        BindHandler(Button, &QPushButton::clicked, this, &TFailingForm::ButtonClick);
    }
    void FormCreate(QObject*) { throw Exception("при создании"); }
    void ButtonClick(QObject*) {
        ++Clicks;
        if (Clicks == 1) throw Exception("первый щелчок");
        throw std::runtime_error("not a framework error");
    }

    QPushButton* Button;
    int Clicks = 0;
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpState();
    void layout_data();
    void layout();
    void windowAndOrder();
    void workedExampleClickByClick();
    void automaticStepping();
    void failedOpens_data();
    void failedOpens();
    void failedWriteIsShownOnce();
    void handlerErrorsAreShownAndTheLoopGoesOn();
    void memoIsEditableAndAStepRestoresHistory();
    void memoKeepsShowingItsOldestLine();

private:
    void CreateWindow() { Application->CreateForm(Form1); }
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

void WindowTest::workedExampleClickByClick() {
    CreateWindow();
    QString written;
    for (const TWorkedExampleRow& row : WorkedExampleRows) {
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        const QStringList shown = ValueTexts();
        const QStringList expected = {IntToStr(row.Fr1),  IntToStr(row.Fr2),  IntToStr(row.Frt1),
                                      IntToStr(row.Frt2), IntToStr(row.Frt3), IntToStr(row.Frt4)};
        QCOMPARE(shown.mid(0, 6), expected);
        QCOMPARE(Form1->FRM1->text(), IntToStr(row.Frm1));
        QCOMPARE(Form1->FROUT->text(), IntToStr(row.FrOut));
        written += IntToStr(row.Written) + " ";
        QCOMPARE(Form1->Memo1->toPlainText(), " " + written);
        QCOMPARE(Form1->FR1->size(), Form1->FR1->sizeHint());
    }
    QCOMPARE(ReadTextFile("output.txt"), WorkedExampleOutput);
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

void WindowTest::failedWriteIsShownOnce() {
    std::filesystem::create_symlink("/dev/full", "output.txt");
    CreateWindow();
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(Boxes_->Shown.size(), std::size_t{1});
    QCOMPARE(Boxes_->Shown[0].Icon, QMessageBox::Critical);
    QCOMPARE(Boxes_->Shown[0].Text, QString("Ошибка записи в файл OUTPUT.TXT"));
    QCOMPARE(Form1->FR1->text(), QString("7"));
    QCOMPARE(Form1->Memo1->toPlainText(), QString(" 0 0 "));
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
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString(" 0 0 0 "));
}

void WindowTest::memoKeepsShowingItsOldestLine() {
    WriteTextFile("input.txt", "");
    CreateWindow();
    for (int step = 0; step < 2000; ++step) DoStep();
    MemoBox* memo = Form1->Memo1;
    QCOMPARE(memo->textLength(), qsizetype{1 + 2 * 2000});
    QCOMPARE(memo->toPlainText(), QString::fromStdString(PreprocessorModel.History()));
    QCOMPARE(memo->firstVisibleLine(), 0);

    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Down);
    QCOMPARE(memo->firstVisibleLine(), 1);  // one line high: the next line scrolls in
    QVERIFY(memo->cursorPosition() > 60 && memo->cursorPosition() < 200);
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(memo->cursorPosition(), memo->textLength());
    QVERIFY(memo->firstVisibleLine() > 20);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
