// The batch runner against the model driven directly, and as a process.
#include <gtest/gtest.h>
#include <sys/wait.h>

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

}  // namespace
