// A long run through the real window: a million steps (or as many as asked),
// called directly on the offscreen platform rather than waiting for the timer.
// Along the way it reports resident memory beside the history's length; at the
// end the window, the output file and the model must agree with a model stepped
// on its own over the same input. Run by ./soak; not part of ./test.
#include <sys/resource.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <utility>
#include <vector>

#include "Application.h"
#include "DataFiles.h"
#include "TestSupport.h"
#include "Unit1.h"

namespace {

double ResidentMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

void WriteRandomInput(long pairs) {
    std::ofstream input("input.txt");
    std::mt19937 random(1);
    std::uniform_int_distribution<int> value(-999999, 999999);
    for (long i = 0; i < pairs; ++i) input << value(random) << ' ' << value(random) << '\n';
}

class TLastSnapshot : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override { Last = snapshot; }
    void ShowHistory(const std::string&) override {}
    TStepSnapshot Last;
};

bool Check(bool condition, const char* what) {
    std::printf("%-58s %s\n", what, condition ? "yes" : "NO");
    return condition;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const long steps = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    QApplication toolkit(argc, argv);
    TScratchDirectory scratch;
    WriteRandomInput(steps + 10);

    TApplication application(argc, argv);
    Application->Initialize();
    Application->CreateForm(Form1);
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1)) return 1;
    QApplication::processEvents();

    const double startMiB = ResidentMiB();
    std::printf("%10s %14s %14s %14s\n", "steps", "history chars", "resident MiB", "growth MiB");
    std::printf("%10d %14zu %14.1f %14.1f\n", 0, PreprocessorModel.History().size(), startMiB, 0.0);
    for (long step = 1; step <= steps; ++step) {
        DoStep();
        if (step % 1000 == 0) QApplication::processEvents();  // paint now and then
        if (step % (steps / 10 > 0 ? steps / 10 : 1) == 0) {
            const double now = ResidentMiB();
            std::printf("%10ld %14zu %14.1f %14.1f\n", step, PreprocessorModel.History().size(),
                        now, now - startMiB);
            std::fflush(stdout);
        }
    }
    QApplication::processEvents();

    TDataFiles referenceFiles("input.txt", "reference-output.txt");
    if (referenceFiles.Open() != drOk) return 1;
    TPreprocessorModel reference;
    TLastSnapshot shown;
    for (long step = 1; step <= steps; ++step) reference.Step(referenceFiles, shown);
    referenceFiles.Close();
    DataFiles.Close();

    bool ok = true;
    ok &= Check(PreprocessorModel.Registers() == reference.Registers(),
                "registers agree with the model stepped alone");
    ok &= Check(PreprocessorModel.History() == reference.History(), "history agrees");
    ok &= Check(Form1->Memo1->toPlainText() == QString::fromStdString(reference.History()),
                "Memo1 holds exactly the history");
    // Each label by its name beside the register it shows, not through the window's own list.
    const TStepSnapshot& last = shown.Last;
    std::vector<std::pair<QString, TRegister>> expected = {{"FR1", last.Minuend},
                                                           {"FR2", last.Subtrahend},
                                                           {"FRM1", last.Difference},
                                                           {"FROUT", last.WindowSum}};
    for (std::size_t i = 0; i < DelayLineCells; ++i)
        expected.emplace_back(QString("FRT%1").arg(i + 1), last.DelayLine[i]);
    bool labelsShowRegisters = true;
    for (const auto& [name, value] : expected) {
        const auto* label = Form1->findChild<QLabel*>(name);
        labelsShowRegisters &= label && label->text() == QString::number(value);
    }
    ok &= Check(labelsShowRegisters, "the labels show the last step's registers");
    const std::string output = ReadTextFile("output.txt");
    ok &= Check(
        output == ReadTextFile("reference-output.txt") && output == reference.History().substr(1),
        "output.txt holds every value written");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("steps %ld, history %zu chars, peak resident %.1f MiB\n", steps,
                reference.History().size(), static_cast<double>(usage.ru_maxrss) / 1024);
    return ok ? 0 : 1;
}
