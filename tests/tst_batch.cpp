// The batch runner against the model driven directly, and as a process.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "BatchOptions.h"
#include "BatchRun.h"
#include "DataFiles.h"
#include "FilePaths.h"
#include "PreprocessorModel.h"
#include "SessionRecord.h"
#include "TestSupport.h"

namespace {

TParsedArguments Parse(std::initializer_list<const char*> arguments) {
    return ParseBatchArguments(std::span<const char* const>(arguments.begin(), arguments.size()));
}

TEST(BatchArgumentsTest, AcceptsTheDocumentedOptions) {
    const auto parsed = Parse({"--steps", "12", "--input", "a", "--output", "b", "--trace", "-"});
    ASSERT_TRUE(std::holds_alternative<TBatchOptions>(parsed));
    const auto& options = std::get<TBatchOptions>(parsed);
    EXPECT_EQ(options.Steps, 12u);
    EXPECT_EQ(options.Input, "a");
    EXPECT_EQ(options.Output, "b");
    EXPECT_EQ(options.Trace, "-");
    EXPECT_EQ(std::get<TBatchOptions>(Parse({"--steps", "1", "--vcd", "-", "--trace", "t"})).Vcd,
              "-");
    // A day of a second a step is 86,400; runs past 2^32 steps are counted in full.
    EXPECT_EQ(std::get<TBatchOptions>(Parse({"--steps", "4294967296"})).Steps, 4294967296u);

    const auto defaults = std::get<TBatchOptions>(Parse({"--steps", "0"}));
    EXPECT_EQ(defaults.Input, "input.txt");
    EXPECT_EQ(defaults.Output, "output.txt");
    EXPECT_FALSE(defaults.Trace);
    EXPECT_EQ(std::get<TBatchRequest>(Parse({"--steps", "x", "--help"})), TBatchRequest::Help);
    EXPECT_EQ(std::get<TBatchRequest>(Parse({"--version"})), TBatchRequest::Version);

    const auto board = std::get<TBatchOptions>(Parse({"--steps", "3", "--board", "COM3"}));
    EXPECT_EQ(board.Board, "COM3");
    EXPECT_EQ(board.Baud, 115200u);
    EXPECT_EQ(
        std::get<TBatchOptions>(Parse({"--baud", "9600", "--board", "p", "--steps", "1"})).Baud,
        9600u);
    const auto compare = std::get<TBatchOptions>(
        Parse({"--compare-vcd", "d.vcd", "--clock", "tb.clk", "--enable", "en", "--input", "i"}));
    EXPECT_EQ(compare.CompareVcd, "d.vcd");
    EXPECT_EQ(compare.Clock + " " + compare.Enable, "tb.clk en");
    EXPECT_EQ(compare.Input, "i");
}

TEST(BatchArgumentsTest, RejectsWhatItCannotRun) {
    for (auto arguments : {std::vector<const char*>{},
                           {"--steps"},
                           {"--steps", "-1"},
                           {"--steps", "ten"},
                           {"--steps", "5x"},
                           {"--steps", ""},
                           {"--steps", "99999999999999999999999"},
                           {"--steps", "3", "--fast"},
                           {"--input", "in.txt"},
                           {"--steps", "3", "--trace", "-", "--vcd", "-"},
                           // A board gives only the values; a dump is compared for its own steps.
                           {"--steps", "3", "--board", "p", "--trace", "t"},
                           {"--steps", "3", "--board", "p", "--baud", "0"},
                           {"--steps", "3", "--baud", "9600"},
                           {"--board", "p"},
                           {"--compare-vcd", "d", "--steps", "3"},
                           {"--compare-vcd", "d", "--output", "o"},
                           {"--compare-vcd", "d", "--enable", "e"},
                           {"--steps", "3", "--clock", "c"}}) {
        const auto parsed = ParseBatchArguments(arguments);
        EXPECT_TRUE(std::holds_alternative<TUsageError>(parsed))
            << ::testing::PrintToString(arguments);
    }
}

// The rows a run must trace, from the model's documented consequences alone:
// with d(j) the difference of pair j after the end-of-data rule (0 for j < 1),
// step k shows DelayLine[i] = d(k-1-i), Difference = d(k-1), WindowSum =
// d(k-11) + ... + d(k-2), and writes d(k-12) + ... + d(k-3).
// `ended`, if given, receives the end-of-data latch after each step's rule.
std::string ExpectedTrace(const std::string& input, int steps,
                          std::vector<bool>* endedAfter = nullptr) {
    std::istringstream numbers(input);
    std::vector<std::int64_t> minuends{0}, subtrahends{0}, differences{0};
    bool ended = false;
    for (int k = 1; k <= steps; ++k) {
        std::int64_t m = minuends.back(), s = subtrahends.back();
        numbers >> m >> s;  // once the numbers run out, the last pair stays
        if (m == -999 || ended) m = s = 0, ended = true;
        if (endedAfter) endedAfter->push_back(ended);
        minuends.push_back(m);
        subtrahends.push_back(s);
        differences.push_back(m - s);
    }
    const auto d = [&](int j) { return j < 1 ? 0 : differences[static_cast<std::size_t>(j)]; };
    const auto sum = [&](int from, int to) {
        std::int64_t total = 0;
        for (int j = from; j <= to; ++j) total += d(j);
        return total;
    };
    // Registers are 32 bits and wrap.
    const auto text = [](std::int64_t value) {
        return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    };
    std::string trace;
    for (int k = 1; k <= steps; ++k) {
        trace += std::to_string(k) + ',' + text(minuends[static_cast<std::size_t>(k)]) + ',' +
                 text(subtrahends[static_cast<std::size_t>(k)]);
        for (int i = 0; i <= 10; ++i) trace += ',' + text(d(k - 1 - i));
        trace += ',' + text(d(k - 1)) + ',' + text(sum(k - 11, k - 2)) + ',' +
                 text(sum(k - 12, k - 3)) + '\n';
    }
    return trace;
}

// The values column of a trace, as output.txt must hold them.
std::string WrittenColumn(const std::string& trace) {
    std::istringstream rows(trace);
    std::string written, row;
    while (std::getline(rows, row)) written += row.substr(row.rfind(',') + 1) + ' ';
    return written;
}

std::string RandomInput(std::mt19937& random, int numbers) {
    std::uniform_int_distribution<int> value(-999999, 999999), marker(0, 400);
    std::string input;
    for (int i = 0; i < numbers; ++i) {
        input +=
            std::to_string(marker(random) == 0 ? TPreprocessorModel::EndMarker : value(random));
        input += i % 7 == 6 ? '\n' : ' ';
    }
    return input;
}

constexpr std::string_view TraceHeader =
    "step,Minuend,Subtrahend,DelayLine0,DelayLine1,DelayLine2,DelayLine3,DelayLine4,DelayLine5,"
    "DelayLine6,DelayLine7,DelayLine8,DelayLine9,DelayLine10,Difference,WindowSum,Written\n";

TEST(BatchRunTest, TracesWhatTheModelDocuments) {
    TScratchDirectory scratch;
    std::mt19937 random(7);
    std::vector<std::string> inputs = {std::string(WorkedExampleInput), "", "2147483647 -1 5 -999"};
    for (int i = 0; i < 5; ++i) inputs.push_back(RandomInput(random, 1000));
    for (const std::string& input : inputs) {
        const int steps = input.size() < 100 ? 30 : 700;
        WriteTextFile("input.txt", input);
        TBatchOptions options;
        options.Steps = static_cast<std::uint64_t>(steps);
        options.Trace = "trace.csv";
        const TBatchResult result = RunBatch(options);
        EXPECT_EQ(result.ExitCode, 0) << result.Error;
        const std::string expected = ExpectedTrace(input, steps);
        EXPECT_EQ(ReadTextFile("trace.csv"), std::string(TraceHeader) + expected);
        EXPECT_EQ(ReadTextFile("output.txt"), WrittenColumn(expected));
    }
}

TEST(BatchRunTest, WorkedExampleRows) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", WorkedExampleInput);
    TBatchOptions options;
    options.Steps = 16;
    options.Trace = "trace.csv";
    EXPECT_EQ(RunBatch(options).ExitCode, 0);
    std::istringstream rows(ReadTextFile("trace.csv").substr(TraceHeader.size()));
    for (const TWorkedExampleRow& row : WorkedExampleRows) {
        std::string line;
        std::getline(rows, line);
        std::istringstream fields(line);
        std::vector<TRegister> values;
        for (std::string field; std::getline(fields, field, ',');)
            values.push_back(std::stoi(field));
        ASSERT_EQ(values.size(), 17u) << line;
        EXPECT_EQ((std::vector<TRegister>{values[1], values[2], values[3], values[4], values[5],
                                          values[6], values[14], values[15], values[16]}),
                  (std::vector<TRegister>{row.Fr1, row.Fr2, row.Frt1, row.Frt2, row.Frt3, row.Frt4,
                                          row.Frm1, row.FrOut, row.Written}))
            << line;
    }
    EXPECT_EQ(ReadTextFile("output.txt"), WorkedExampleOutput);
}

// Folders and files named in any language, as a Russian-speaking user's are.
TEST(BatchRunTest, PathsInAnyLanguage) {
    TScratchDirectory scratch;
    const std::filesystem::path folder = PathFromUtf8("Данные с пробелом");
    std::filesystem::create_directory(folder);
    WriteTextFile(folder / "input.txt", WorkedExampleInput);
    TBatchOptions options;
    options.Steps = 16;
    options.Input = folder / "input.txt";
    options.Output = folder / PathFromUtf8("выход.txt");
    options.Trace = folder / PathFromUtf8("трасса.csv");
    const TBatchResult result = RunBatch(options);
    EXPECT_EQ(result.ExitCode, 0) << result.Error;
    EXPECT_EQ(ReadTextFile(options.Output), WorkedExampleOutput);
    EXPECT_TRUE(ReadTextFile(*options.Trace).ends_with("\n16,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,7\n"));

    options.Input = folder / PathFromUtf8("нет.txt");
    EXPECT_NE(RunBatch(options).Error.find("Данные с пробелом"), std::string::npos);
}

// --- As a process (POSIX: through the shell) ---------------------------------------
#ifndef _WIN32

// A path as one word for the POSIX shell, whatever it holds.
std::string ShellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs the runner through the shell, after `setUp` (shell commands), with its
// standard output to `out` and standard error to err.log; returns its exit code.
int RunBatchProcess(const std::string& arguments, const std::string& setUp = "",
                    const std::string& out = "out.log") {
    const std::string command = setUp + "exec " + ShellQuoted(PREPROCESSOR_BATCH) + " " +
                                arguments + " >" + out + " 2>err.log";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A board at the far end of a pseudo-terminal that takes the first pair and
// answers `reply`, then says nothing more.
class TSilentBoard {
public:
    explicit TSilentBoard(std::string reply) {
        Terminal_ = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(Terminal_ >= 0 && grantpt(Terminal_) == 0 && unlockpt(Terminal_) == 0);
        Path_ = ptsname(Terminal_);
        Line_ = open(Path_.c_str(), O_RDWR | O_NOCTTY);  // held, so the host may come and go
        Serving_ = std::thread([this, reply] {
            for (std::size_t got = 0; got < FirstPair.size();) {
                const ssize_t read =
                    ::read(Terminal_, FirstPair.data() + got, FirstPair.size() - got);
                if (read <= 0) return;
                got += static_cast<std::size_t>(read);
            }
            EXPECT_EQ(write(Terminal_, reply.data(), reply.size()),
                      static_cast<ssize_t>(reply.size()));
        });
    }
    ~TSilentBoard() {
        Serving_.join();
        close(Line_);
        close(Terminal_);
    }
    const std::string& Path() const { return Path_; }

    std::array<unsigned char, 8> FirstPair{};

private:
    int Terminal_ = -1, Line_ = -1;
    std::string Path_;
    std::thread Serving_;
};

TEST(BatchProcessTest, ExitCodesAndMessages) {
    TScratchDirectory scratch;
    EXPECT_EQ(RunBatchProcess("--steps 3"), 1);
    EXPECT_EQ(ReadTextFile("err.log"),
              "preprocessor-batch: Невозможно открыть файл INPUT.TXT "
              "(input.txt: No such file or directory)\n");
    EXPECT_FALSE(std::filesystem::exists("output.txt"));

    WriteTextFile("input.txt", WorkedExampleInput);
    EXPECT_EQ(RunBatchProcess("--steps 3 --output /dev/full"), 1);
    EXPECT_NE(ReadTextFile("err.log").find("Ошибка записи в файл OUTPUT.TXT (/dev/full: "),
              std::string::npos);
    std::filesystem::create_directory("dir");
    EXPECT_EQ(RunBatchProcess("--steps 3 --output dir"), 1);
    EXPECT_NE(ReadTextFile("err.log").find("OUTPUT.TXT (dir: Is a directory)"), std::string::npos);

    for (const char* bad : {"", "--steps -4", "--steps many", "--steps 2 --colour"}) {
        EXPECT_EQ(RunBatchProcess(bad), 2) << bad;
        EXPECT_NE(ReadTextFile("err.log").find("usage: preprocessor-batch --steps N"),
                  std::string::npos);
    }
    EXPECT_EQ(RunBatchProcess("--help"), 0);
    for (const char* option : {"--steps", "--input", "--output", "--trace", "--version"}) {
        EXPECT_NE(ReadTextFile("out.log").find(option), std::string::npos) << option;
    }
    EXPECT_EQ(RunBatchProcess("--version"), 0);
    EXPECT_EQ(ReadTextFile("out.log"), "preprocessor-batch 1.0.0\n");

    for (const char* record : {"--trace", "--vcd"}) {
        WriteTextFile("kept", "precious");
        std::filesystem::rename("input.txt", "away.txt");
        EXPECT_EQ(RunBatchProcess(std::string("--steps 3 ") + record + " kept"), 1);
        EXPECT_EQ(ReadTextFile("kept"), "precious")
            << record << ": none is begun for a run that cannot";
        std::filesystem::rename("away.txt", "input.txt");
        EXPECT_EQ(RunBatchProcess(std::string("--steps 3 ") + record + " -", "", "/dev/full"), 1)
            << record << " to a standard output that fails";
    }
    EXPECT_EQ(RunBatchProcess("--steps 3 --trace no-such-dir/t.csv"), 1);
    EXPECT_NE(ReadTextFile("err.log").find("no-such-dir/t.csv"), std::string::npos);
    EXPECT_EQ(RunBatchProcess("--steps 3 --trace /dev/full"), 1);
    EXPECT_NE(ReadTextFile("err.log").find("/dev/full"), std::string::npos);
    EXPECT_EQ(RunBatchProcess("--steps 3 --vcd /dev/full"), 1);
    EXPECT_EQ(ReadTextFile("err.log"),
              "preprocessor-batch: cannot write the value change dump "
              "/dev/full: No space left on device\n");

    // A board: a port that is not there, a file that is no serial line, and a
    // board that answers a value and three bytes of the next, then stops: the
    // pair went out lowest byte first, and the value it answered is kept.
    EXPECT_EQ(RunBatchProcess("--steps 3 --board /dev/no-such-port"), 1);
    EXPECT_EQ(ReadTextFile("err.log"),
              "preprocessor-batch: cannot open the port /dev/no-such-port: "
              "No such file or directory\n");
    EXPECT_EQ(RunBatchProcess("--steps 3 --board /dev/null --baud 9600"), 1);
    EXPECT_EQ(ReadTextFile("err.log"),
              "preprocessor-batch: cannot set up /dev/null as a serial "
              "line at 9600 baud: Inappropriate ioctl for device\n");
    {
        TSilentBoard board(std::string("\x03\0\0\0\x09\0\0", 7));
        EXPECT_EQ(RunBatchProcess("--steps 3 --board " + board.Path()), 1);
        EXPECT_EQ(ReadTextFile("err.log"),
                  "preprocessor-batch: the board has stopped answering (nothing for 2 s); 1 of 3 "
                  "values received, all written to output.txt, and 3 bytes of the next, which "
                  "takes 4\n");
        EXPECT_EQ(ReadTextFile("output.txt"), "3 ");
        EXPECT_EQ(board.FirstPair, (std::array<unsigned char, 8>{5, 0, 0, 0, 2, 0, 0, 0}));
    }

    EXPECT_EQ(RunBatchProcess("--steps 16 --trace -"), 0);
    EXPECT_EQ(ReadTextFile("output.txt"), WorkedExampleOutput);
    const std::string trace = ReadTextFile("out.log");
    EXPECT_EQ(trace.substr(trace.rfind("\n16,") + 1), "16,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,7\n");
}

// Five steps of the worked example as a student's clocked design might dump
// them, written out by hand: a clock and an enable, names in other cases and
// forms, values in binary and cut short, x before the reset, and an output wire
// `written` beside the register `Written`. The first edge is in reset, where
// the enable is still 0; the enable falls with the last edge, which still counts,
// and the latch changes a little after it.
constexpr std::string_view ClockedDump = R"($date today $end
$timescale 1ns $end
$scope module tb $end
$var wire 1 ! clk $end
$var wire 1 " en $end
$scope module dut $end
$var reg 32 # minuend [31:0] $end
$var wire 32 % written [31:0] $end
$var reg 32 $ Written [31:0] $end
$var integer 32 & DelayLine_0 $end
$var reg 32 ' DelayLine[1] [31:0] $end
$var reg 1 ( EndOfData $end
$upscope $end
$upscope $end
$enddefinitions $end
#0
$dumpvars
0!
0"
bx #
bx $
bz %
bx &
bx '
x(
$end
#5
1!
b0 #
b0 $
b0 &
b0 '
0(
#8
1"
#10
0!
#15
1!
b101 #
#20
0!
#25
1!
b111 #
b11 &
#30
0!
#35
1!
b100 #
b110 &
b11 '
#40
0!
#45
1!
b1010 #
b0 &
b110 '
b11 $
#50
0!
#55
1!
0"
b0 #
b111 &
b0 '
b1001 $
#56
1(
#60
0!
)";

// The same steps a time unit each, as reals and VHDL's weak levels.
constexpr std::string_view StepDump = R"($scope module top $end
$var real 64 ! MINUEND $end
$var wire 1 " endofdata $end
$upscope $end
$enddefinitions $end
#0
r0 !
L"
#1
r5 !
#2
r7.0 !
#3
r4 !
#4
r10 !
#5
r0 !
H"
)";

std::string Replaced(std::string_view text, std::string_view what, std::string_view with) {
    std::string replaced(text);
    return replaced.replace(replaced.find(what), what.size(), with);
}

// A design's dump against the model on the worked example: what is said, and
// the exit status, for dumps of every kind and the ways one cannot be compared.
TEST(BatchProcessTest, ComparesAnyDesignsDump) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", WorkedExampleInput);
    const std::string clocked(ClockedDump), steps(StepDump);
    const std::string declarations = clocked.substr(0, clocked.find("#0"));
    struct TRow {
        std::string Dump, Options;
        int Exit;
        std::string Said;  // in what the runner prints
    } rows[] = {
        {clocked, "--clock clk --enable en", 0,
         "compared: tb.dut.minuend, tb.dut.DelayLine_0, tb.dut.DelayLine[1], tb.dut.Written, "
         "tb.dut.EndOfData\n"
         "not in the dump: Subtrahend, DelayLine2, DelayLine3, DelayLine4, DelayLine5, DelayLine6, "
         "DelayLine7, DelayLine8, DelayLine9, DelayLine10, Difference, WindowSum\n"
         "Written: tb.dut.Written compared, not tb.dut.written (the exact case wins)\n"
         "equal for 5 steps\n"},
        {clocked, "--clock tb.CLK --enable EN", 0, "equal for 5 steps\n"},
        {clocked, "--clock clk", 1,
         "step 1: Minuend differs: the dump has 0 (tb.dut.minuend), the model 5; the step's pair "
         "from the input: 5 2\n"},
        {Replaced(clocked, "b100 #", "bx00 #"), "--clock clk --enable en", 1,
         "step 3: Minuend differs: the dump has " + std::string(30, 'x') +
             "00 (tb.dut.minuend), the model 4; the step's pair from the input: 4 4\n"},
        {Replaced(clocked, "b1001 $", "b1000 $\nb1 '"), "--clock clk --enable en", 1,
         "step 5: DelayLine1 differs: the dump has 1 (tb.dut.DelayLine[1]), the model 0; the "
         "step's pair from the input: -999 0\nat this step also: Written\n"},
        {clocked, "", 2,
         "the dump's time does not advance a step per time unit: tb.clk goes to 1 6 times, as a "
         "clock does. If a step is its rising edge, say so with --clock clk"},
        {steps, "", 0, "equal for 5 steps\n"},
        {steps, "--input gone.txt", 1, "INPUT.TXT (gone.txt: No such file or directory)"},
        {Replaced(steps, "#3", "#3\n#2"), "", 2, "its time goes back, from 3 to 2"},
        {Replaced(steps, "r4 !", "r4 ?"), "", 2, "a change of '?', which no $var declares"},
        {steps.substr(0, steps.find("r10") + 2), "", 2,
         "line 16: the dump ends inside a value change"},
        {declarations.substr(0, declarations.size() / 2), "", 2,
         "the dump ends before its declarations do ($enddefinitions): it is cut short"},
        {"$scope module counter $end\n$var reg 8 ! count $end\n$upscope $end\n$enddefinitions "
         "$end\n"
         "#0\nb0 !\n#1\nb1 !\n",
         "", 2, "holds none of the pipeline's signals (Minuend, Subtrahend, DelayLine0,"},
        {Replaced(steps, "$upscope", "$var reg 320 # DelayLine $end\n$upscope"), "", 0,
         "DelayLine: top.DelayLine left out: 320 bits are not 11 cells of up to 64 bits each\n"},
        {"PK\x03\x04 an archive", "", 2, "this is not a value change dump"},
        {clocked, "--clock clock", 2, "has no signal clock (--clock)"},
        {clocked, "--clock minuend", 2, "--clock minuend: tb.dut.minuend is 32 bits wide, not one"},
        {steps, "--clock endofdata --enable endofdata", 2,
         "the dump holds no step: top.endofdata never rises where top.endofdata is 1"},
        {steps.substr(0, steps.find("#1")), "", 2,
         "the dump holds no step: its time never passes 0"},
    };
    for (const TRow& row : rows) {
        WriteTextFile("design.vcd", row.Dump);
        EXPECT_EQ(RunBatchProcess("--compare-vcd design.vcd " + row.Options), row.Exit) << row.Said;
        EXPECT_NE((ReadTextFile("out.log") + ReadTextFile("err.log")).find(row.Said),
                  std::string::npos)
            << ReadTextFile("out.log") << ReadTextFile("err.log");
    }
    EXPECT_EQ(RunBatchProcess("--compare-vcd no.vcd"), 2);
    EXPECT_EQ(ReadTextFile("err.log"),
              "preprocessor-batch: cannot open the dump no.vcd: No such file or directory\n");
    // The runner's own dump, past the end of the data.
    EXPECT_EQ(RunBatchProcess("--steps 30 --vcd run.vcd"), 0);
    EXPECT_EQ(RunBatchProcess("--compare-vcd run.vcd"), 0);
    EXPECT_TRUE(ReadTextFile("out.log").ends_with("equal for 30 steps\n"));
}

// Peak resident memory of one run of the batch runner, in KiB.
long PeakMemoryOfRun(const std::string& steps, std::vector<const char*> more = {}) {
    std::vector<const char*> arguments = {PREPROCESSOR_BATCH, "--steps", steps.c_str()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back(nullptr);
    pid_t child = 0;
    EXPECT_EQ(posix_spawn(&child, PREPROCESSOR_BATCH, nullptr, nullptr,
                          const_cast<char* const*>(arguments.data()), environ),
              0);
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return usage.ru_maxrss;
}

// The value change dump read back through GTKWave's own converters (to its FST
// format and back): at each time k every signal holds what row k of the trace
// says, and EndOfData the latch after step k's rule; at time 0 all are 0.
std::vector<std::map<std::string, std::int64_t>> ValuesAtEachTime(const std::string& vcd,
                                                                  std::uint64_t last) {
    std::istringstream tokens(vcd);
    std::map<std::string, std::string> names;  // by identifier
    std::map<std::string, std::int64_t> values;
    std::vector<std::map<std::string, std::int64_t>> atTime;
    std::uint64_t time = 0;
    bool definitionsDone = false;
    for (std::string token; tokens >> token;) {
        if (token == "$var") {
            std::string type, size, id, name;
            tokens >> type >> size >> id >> name;
            names[id] = name;
        } else if (token == "$enddefinitions") {
            definitionsDone = true;
        } else if (!definitionsDone) {
            continue;
        } else if (token[0] == '#') {
            for (; time < std::stoull(token.substr(1)); ++time) atTime.push_back(values);
        } else if (token[0] == 'b') {
            std::string id;
            tokens >> id;
            std::uint32_t bits = 0;
            for (char bit : token.substr(1)) bits = bits << 1 | (bit == '1');
            values[names.at(id)] = static_cast<std::int32_t>(bits);
        } else if (token[0] == '0' || token[0] == '1') {
            values[names.at(token.substr(1))] = token[0] - '0';
        }
    }
    for (; time <= last; ++time) atTime.push_back(values);
    return atTime;
}

// The times a dump of `steps` steps on `input` marks, from the documented model:
// 0, each step at which a register or the latch changes, and the end of the run.
std::vector<std::string> DumpTimes(const std::string& input, int steps) {
    std::vector<bool> ended;
    std::istringstream rows(ExpectedTrace(input, steps, &ended));
    std::vector<std::string> times = {"0"};
    std::string row, previous = ",0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0";
    for (int k = 1; std::getline(rows, row); ++k) {
        row.erase(0, row.find(','));
        const bool latchChanged = ended[k - 1] && (k == 1 || !ended[k - 2]);
        if (row != previous || latchChanged) times.push_back(std::to_string(k));
        previous = row;
    }
    if (times.back() != std::to_string(steps)) times.push_back(std::to_string(steps));
    return times;
}

// A window's session, recorded step by step (to a file as it goes, and kept to
// be dumped at the end), is the runner's dump of as many steps but for its maker:
// the worked example past its last change, where only the end time marks the
// length, and up to a step that changes values, and random inputs (the longer
// over three of the record's blocks). The dump marks only the times at which
// something changes, and the end.
TEST(BatchVcdTest, ASessionsDumpIsTheRunnersDump) {
    TScratchDirectory scratch;
    std::mt19937 random(5);
    for (const auto& [input, steps] :
         {std::pair(std::string(WorkedExampleInput), 20),
          std::pair(std::string(WorkedExampleInput), 5), std::pair(RandomInput(random, 100), 60),
          std::pair(RandomInput(random, 5000), 2100)}) {
        WriteTextFile("input.txt", input);
        TBatchOptions options;
        options.Steps = static_cast<std::uint64_t>(steps);
        options.Output = "batch-output.txt";
        options.Vcd = "batch.vcd";
        ASSERT_EQ(RunBatch(options).ExitCode, 0);
        std::string runners = ReadTextFile("batch.vcd");
        // Only the times at which something changes, and the end.
        std::vector<std::string> times;
        for (std::size_t at = runners.find("\n#"); at != std::string::npos;
             at = runners.find("\n#", at + 1))
            times.push_back(runners.substr(at + 2, runners.find('\n', at + 1) - at - 2));
        EXPECT_EQ(times, DumpTimes(input, steps)) << steps << " steps";
        runners.replace(0, runners.find('\n'), "$version preprocessor-sim $end");

        TDataFiles files;
        ASSERT_EQ(files.Open(), drOk);
        TPreprocessorModel model;
        struct TShown {
            void ShowSnapshot(const TStepSnapshot& snapshot) { Snapshot = snapshot; }
            TStepSnapshot Snapshot;
        } shown;
        {
            TSessionRecord session;
            session.KeepSteps();
            ASSERT_TRUE(session.StartDump("session.vcd", "preprocessor-sim"));
            for (int step = 0; step < steps; ++step) {
                const TRegister written = model.Registers().PendingOutput;
                model.Step(files, shown);
                session.Record(shown.Snapshot, written, model.EndOfData());
            }
            EXPECT_EQ(session.Dump("preprocessor-sim"), runners);
        }
        EXPECT_EQ(ReadTextFile("session.vcd"), runners);
    }
}

TEST(BatchVcdTest, GtkwaveReadsWhatTheTraceSays) {
    if (std::system("command -v vcd2fst >/dev/null && command -v fst2vcd >/dev/null") != 0) {
#ifdef PREPROCESSOR_GTKWAVE_AT_CONFIGURE
        FAIL() << "GTKWave's converters were there when the build was configured";
#else
        GTEST_SKIP() << "GTKWave's converters are not installed";
#endif
    }
    TScratchDirectory scratch;
    std::mt19937 random(11);
    std::vector<std::string> inputs = {std::string(WorkedExampleInput), "2147483647 -1 5 -999"};
    for (int i = 0; i < 3; ++i) inputs.push_back(RandomInput(random, 600));
    for (const std::string& input : inputs) {
        const int steps = 320;
        WriteTextFile("input.txt", input);
        TBatchOptions options;
        options.Steps = steps;
        options.Vcd = "run.vcd";
        ASSERT_EQ(RunBatch(options).ExitCode, 0);
        const std::string dump = ReadTextFile("run.vcd");
        // A step is a second: a viewer shows the run as long as it was.
        EXPECT_NE(dump.find("\n$timescale 1 s $end\n"), std::string::npos);
        const auto lastTime = dump.rfind("\n#") + 1;
        EXPECT_EQ(dump.substr(lastTime, dump.find('\n', lastTime) - lastTime), "#320")
            << "the dump lasts as long as the run";
        ASSERT_EQ(std::system("vcd2fst run.vcd run.fst >vcd2fst.log 2>&1 && "
                              "fst2vcd run.fst >back.vcd 2>fst2vcd.log"),
                  0)
            << ReadTextFile("vcd2fst.log") << ReadTextFile("fst2vcd.log");
        const auto atTime = ValuesAtEachTime(ReadTextFile("back.vcd"), steps);
        std::vector<bool> ended;
        std::istringstream rows(ExpectedTrace(input, steps, &ended));
        const std::vector<std::string> columns = {
            "Minuend",     "Subtrahend", "DelayLine0", "DelayLine1", "DelayLine2", "DelayLine3",
            "DelayLine4",  "DelayLine5", "DelayLine6", "DelayLine7", "DelayLine8", "DelayLine9",
            "DelayLine10", "Difference", "WindowSum",  "Written"};
        for (const auto& column : columns) ASSERT_EQ(atTime[0].at(column), 0) << column;
        ASSERT_EQ(atTime[0].at("EndOfData"), 0);
        std::string row;
        for (int k = 1; std::getline(rows, row); ++k) {
            std::istringstream fields(row.substr(row.find(',') + 1));
            std::string field;
            for (const auto& column : columns) {
                std::getline(fields, field, ',');
                ASSERT_EQ(atTime[k].at(column), std::stoll(field)) << column << " at " << k;
            }
            ASSERT_EQ(atTime[k].at("EndOfData"), ended[k - 1] ? 1 : 0) << "at " << k;
        }
    }
}

// Stopped by a full disk (a file size limit of one block, 512 or 1024 bytes as
// the shell counts them): exit 1, and output.txt ends after a whole value, both
// when the values are written all at once, at the close (a thousand steps), and
// when they fill the buffer many times (a hundred thousand).
TEST(BatchProcessTest, AFullDiskLeavesWholeValues) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", "1000000 1\n");
    for (const char* steps : {"1000", "100000"}) {
        EXPECT_EQ(RunBatchProcess(std::string("--steps ") + steps, "trap '' XFSZ; ulimit -f 1; "),
                  1)
            << steps;
        EXPECT_NE(ReadTextFile("err.log").find("Ошибка записи в файл OUTPUT.TXT"),
                  std::string::npos);
        const std::string written = ReadTextFile("output.txt");
        EXPECT_GT(written.size(), 400u);
        EXPECT_LE(written.size(), 1024u);
        EXPECT_TRUE(written.ends_with(" 9999990 ")) << written.substr(written.size() - 20);
    }
}

// A failed write ends the run, and the records end where output.txt does: the
// trace has a row, and the dump a step, for each value the file holds whole. The
// file takes a block (512 or 1024 bytes as the shell counts them) and no more;
// the records go through a pipe, which no file size limit stops.
TEST(BatchProcessTest, AFailedWriteEndsTheRecordsWhereTheOutputEnds) {
    TScratchDirectory scratch;
    std::mt19937 random(17);
    WriteTextFile("input.txt", RandomInput(random, 3000));
    for (const std::string record : {"--trace", "--vcd"}) {
        const std::string command = "(ulimit -f 1; trap '' XFSZ; exec " +
                                    ShellQuoted(PREPROCESSOR_BATCH) + " --steps 3000 " + record +
                                    " -) 2>err.log | cat >record.txt";
        ASSERT_EQ(std::system(command.c_str()), 0) << record;
        EXPECT_NE(ReadTextFile("err.log").find("Ошибка записи в файл OUTPUT.TXT"),
                  std::string::npos);
        const std::string output = ReadTextFile("output.txt");
        const auto values = std::count(output.begin(), output.end(), ' ');
        EXPECT_GT(values, 20) << record;
        EXPECT_TRUE(output.ends_with(' ')) << record;
        const std::string written = ReadTextFile("record.txt");
        if (record == "--trace") {
            EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), values + 1);
        } else {
            const auto lastTime = written.rfind("\n#") + 2;
            EXPECT_EQ(written.substr(lastTime, written.find('\n', lastTime) - lastTime),
                      std::to_string(values));
        }
    }
}

TEST(BatchProcessTest, AHundredMegabytesInBoundedMemory) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", "1 2\n");
    const long small = PeakMemoryOfRun("20");

    constexpr long Pairs = 25'000'000;  // 100 MB of "1 2\n"
    {
        std::ofstream input("input.txt", std::ios::binary);
        const std::string chunk = [] {
            std::string lines;
            for (int i = 0; i < 10'000; ++i) lines += "1 2\n";
            return lines;
        }();
        for (long i = 0; i < Pairs / 10'000; ++i) input << chunk;
    }
    const long large = PeakMemoryOfRun(std::to_string(Pairs));
    EXPECT_LT(large - small, 4 * 1024) << "KiB more for 100 MB than for 4 bytes";

    // Each difference is -1: three zeros, the sums growing to -9, then -10 to the end.
    const std::string head = "0 0 0 -1 -2 -3 -4 -5 -6 -7 -8 -9 -10 -10 ";
    const auto size = std::filesystem::file_size("output.txt");
    EXPECT_EQ(size, 6u + 9 * 3 + (Pairs - 12) * 4);
    std::ifstream output("output.txt", std::ios::binary);
    std::string start(head.size(), '\0'), end(8, '\0');
    output.read(start.data(), static_cast<std::streamsize>(start.size()));
    output.seekg(-8, std::ios::end);
    output.read(end.data(), 8);
    EXPECT_EQ(start, head);
    EXPECT_EQ(end, "-10 -10 ");
    std::filesystem::remove("input.txt");
    std::filesystem::remove("output.txt");

    // A dump streams out as it is made: every register changes at every step here.
    std::string changing;
    for (int i = 0; i < 200'000; ++i) changing += std::to_string(i % 997) + " 0\n";
    WriteTextFile("input.txt", changing);
    const long shortDump = PeakMemoryOfRun("20", {"--vcd", "run.vcd"});
    const long longDump = PeakMemoryOfRun("200000", {"--vcd", "run.vcd"});
    EXPECT_GT(std::filesystem::file_size("run.vcd"), 20'000'000u);
    EXPECT_LT(longDump - shortDump, 4 * 1024) << "KiB more for 200,000 steps than for 20";
}

#endif

}  // namespace
