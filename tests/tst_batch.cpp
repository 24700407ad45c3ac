// The batch runner against the model driven directly, and as a process.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <fstream>
#include <random>
#include <sstream>

#include "BatchOptions.h"
#include "BatchRun.h"
#include "DataFiles.h"
#include "PreprocessorModel.h"
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

    const auto defaults = std::get<TBatchOptions>(Parse({"--steps", "0"}));
    EXPECT_EQ(defaults.Input, "input.txt");
    EXPECT_EQ(defaults.Output, "output.txt");
    EXPECT_FALSE(defaults.Trace);
    EXPECT_EQ(std::get<TBatchRequest>(Parse({"--steps", "x", "--help"})), TBatchRequest::Help);
    EXPECT_EQ(std::get<TBatchRequest>(Parse({"--version"})), TBatchRequest::Version);
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
                           {"--input", "in.txt"}}) {
        const auto parsed = ParseBatchArguments(arguments);
        EXPECT_TRUE(std::holds_alternative<TUsageError>(parsed))
            << ::testing::PrintToString(arguments);
    }
}

// What the window's steps would give: the model stepped directly on the same files.
struct TExpectedRun {
    std::string Output;
    std::string Trace;
};

class TRowView : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override { Last = snapshot; }
    void ShowHistory(const std::string&) override {}
    TStepSnapshot Last;
};

TExpectedRun StepTheModel(std::string_view input, std::uint64_t steps) {
    WriteTextFile("direct-in.txt", input);
    TDataFiles files("direct-in.txt", "direct-out.txt");
    EXPECT_EQ(files.Open(), drOk);
    TPreprocessorModel model;
    TRowView view;
    std::ostringstream trace;
    for (std::uint64_t step = 1; step <= steps; ++step) {
        const TRegister written = model.Registers().PendingOutput;
        model.Step(files, view);
        trace << step;
        for (TRegister value : view.Last.Values()) trace << ',' << value;
        trace << ',' << written << '\n';
    }
    files.Close();
    return {ReadTextFile("direct-out.txt"), trace.str()};
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

TEST(BatchRunTest, GivesWhatTheModelGivesStepByStep) {
    TScratchDirectory scratch;
    std::mt19937 random(7);
    std::vector<std::string> inputs = {std::string(WorkedExampleInput), ""};
    for (int i = 0; i < 5; ++i) inputs.push_back(RandomInput(random, 1000));
    for (const std::string& input : inputs) {
        const std::uint64_t steps = input.empty() ? 5 : 700;
        const TExpectedRun expected = StepTheModel(input, steps);
        WriteTextFile("input.txt", input);
        std::FILE* trace = std::fopen("trace.csv", "w");
        TBatchOptions options;
        options.Steps = steps;
        const TBatchResult result = RunBatch(options, trace);
        std::fclose(trace);
        EXPECT_EQ(result.ExitCode, 0) << result.Error;
        EXPECT_EQ(ReadTextFile("output.txt"), expected.Output);
        const std::string csv = ReadTextFile("trace.csv");
        const auto header = csv.substr(0, csv.find('\n') + 1);
        EXPECT_EQ(header,
                  "step,Minuend,Subtrahend,DelayLine0,DelayLine1,DelayLine2,DelayLine3,DelayLine4,"
                  "DelayLine5,DelayLine6,DelayLine7,DelayLine8,DelayLine9,DelayLine10,Difference,"
                  "WindowSum,Written\n");
        EXPECT_EQ(csv.substr(header.size()), expected.Trace);
    }
    EXPECT_EQ(StepTheModel(WorkedExampleInput, 16).Output, WorkedExampleOutput);
}

// --- As a process --------------------------------------------------------------

int RunBatchProcess(const std::string& arguments) {
    const std::string command =
        std::string(PREPROCESSOR_BATCH) + " " + arguments + " >out.log 2>err.log";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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

    EXPECT_EQ(RunBatchProcess("--steps 16 --trace -"), 0);
    EXPECT_EQ(ReadTextFile("output.txt"), WorkedExampleOutput);
    const std::string trace = ReadTextFile("out.log");
    EXPECT_EQ(trace.substr(trace.rfind("\n16,") + 1), "16,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,7\n");
}

// Peak resident memory of one run of the batch runner, in KiB.
long PeakMemoryOfRun(const std::string& steps) {
    const char* arguments[] = {PREPROCESSOR_BATCH, "--steps", steps.c_str(), nullptr};
    pid_t child = 0;
    EXPECT_EQ(posix_spawn(&child, PREPROCESSOR_BATCH, nullptr, nullptr,
                          const_cast<char* const*>(arguments), environ),
              0);
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return usage.ru_maxrss;
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
}

}  // namespace
