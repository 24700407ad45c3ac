// The pipeline model and its data files, driven through real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>
#include <ranges>
#include <string>
#include <tuple>
#include <vector>

#include "DataFiles.h"
#include "DecimalReader.h"
#include "PreprocessorModel.h"
#include "TestSupport.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// Records what a step publishes and checks the order of the two calls.
class TRecordingView : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override {
        EXPECT_FALSE(SnapshotPending) << "ShowSnapshot twice without ShowHistory";
        Snapshots.push_back(snapshot);
        SnapshotPending = true;
    }
    void ShowHistory(const std::string& history) override {
        EXPECT_TRUE(SnapshotPending) << "ShowHistory before ShowSnapshot";
        History = history;
        SnapshotPending = false;
    }

    std::vector<TStepSnapshot> Snapshots;
    std::string History;
    bool SnapshotPending = false;
};

class ModelTest : public ::testing::Test {
protected:
    // Opens fresh data files on the given input and resets a fresh model.
    void Start(std::string_view input) {
        WriteTextFile("input.txt", input);
        ASSERT_EQ(Files.Open(), drOk);
        Model.Reset();
    }
    TRegisters StepAndGet() {
        Model.Step(Files, View);
        return Model.Registers();
    }
    TRegister WrittenByNextStep() const { return Model.Registers().PendingOutput; }

    TScratchDirectory Scratch;
    TDataFiles Files;
    TPreprocessorModel Model;
    TRecordingView View;
};

TEST_F(ModelTest, WorkedExampleRowByRow) {
    Start(WorkedExampleInput);
    std::string written;
    for (std::size_t step = 0; step < WorkedExampleRows.size(); ++step) {
        SCOPED_TRACE("step " + std::to_string(step + 1));
        const TWorkedExampleRow& row = WorkedExampleRows[step];
        const TRegister writes = WrittenByNextStep();
        Model.Step(Files, View);
        const TStepSnapshot& shown = View.Snapshots.back();
        EXPECT_EQ(shown.Minuend, row.Fr1);
        EXPECT_EQ(shown.Subtrahend, row.Fr2);
        EXPECT_EQ(shown.DelayLine[0], row.Frt1);
        EXPECT_EQ(shown.DelayLine[1], row.Frt2);
        EXPECT_EQ(shown.DelayLine[2], row.Frt3);
        EXPECT_EQ(shown.DelayLine[3], row.Frt4);
        EXPECT_EQ(shown.Difference, row.Frm1);
        EXPECT_EQ(shown.WindowSum, row.FrOut);
        EXPECT_EQ(writes, row.Written);
        written += std::to_string(row.Written) + " ";
        // Each value is on the file by the end of its step, not only at exit.
        EXPECT_EQ(ReadTextFile("output.txt"), written);
        EXPECT_EQ(View.History, " " + written);
    }
    EXPECT_EQ(written, WorkedExampleOutput);
    EXPECT_TRUE(Model.EndOfData());
}

TEST_F(ModelTest, FirstStepAndSnapshotOrder) {
    Start("-999 5 1 2");
    Model.Step(Files, View);
    EXPECT_EQ(Model.History(), " 0 ");
    const auto values = View.Snapshots.back().Values();
    EXPECT_TRUE(std::ranges::all_of(values, [](TRegister v) { return v == 0; }));

    TStepSnapshot numbered;
    numbered.Minuend = 1;
    numbered.Subtrahend = 2;
    std::iota(numbered.DelayLine.begin(), numbered.DelayLine.end(), 3);
    numbered.Difference = 14;
    numbered.WindowSum = 15;
    const auto ordered = numbered.Values();
    EXPECT_TRUE(std::ranges::equal(ordered, std::views::iota(1, 16)));
}

TEST_F(ModelTest, EndOfDataLatchesOnFirstNumberOnly) {
    Start("5 -999 -999 5 1 2");
    EXPECT_EQ(StepAndGet().Difference, 1004);  // -999 second is ordinary data
    EXPECT_FALSE(Model.EndOfData());
    const TRegisters afterMarker = StepAndGet();
    EXPECT_EQ(afterMarker.Minuend, 0);
    EXPECT_EQ(afterMarker.Subtrahend, 0);
    EXPECT_TRUE(Model.EndOfData());
    Model.Reset();
    EXPECT_TRUE(Model.EndOfData()) << "Reset must not clear the latch";
    const TRegisters later = StepAndGet();  // 1 2 is read and replaced by zeros
    EXPECT_EQ(later.Minuend, 0);
    EXPECT_EQ(later.Difference, 0);
}

TEST_F(ModelTest, InputsThatRunOut) {
    {
        SCOPED_TRACE("empty input: zeros forever, no end of data");
        Start("");
        for (int i = 0; i < 20; ++i) EXPECT_EQ(StepAndGet(), TRegisters{});
        EXPECT_FALSE(Model.EndOfData());
        EXPECT_EQ(ReadTextFile("output.txt").size(), 40u);
    }
    {
        SCOPED_TRACE("no end marker: the last pair is fed again");
        TDataFiles files;
        Files = std::move(files);
        Model = TPreprocessorModel{};
        Start("9 4\n");
        for (int i = 0; i < 15; ++i) Model.Step(Files, View);
        EXPECT_EQ(Model.Registers().WindowSum, 50);
        EXPECT_EQ(Model.Registers().Minuend, 9);
    }
    {
        SCOPED_TRACE("odd count: the last number pairs with the previous subtrahend");
        Files = TDataFiles{};
        Start("10 3 8");
        Model.Step(Files, View);
        EXPECT_EQ(StepAndGet().Difference, 5);
    }
    {
        SCOPED_TRACE("a non-numeric token stops reading for good");
        Files = TDataFiles{};
        Start("10 3 4 x 7 1");
        Model.Step(Files, View);
        const TRegisters stuck = StepAndGet();
        EXPECT_EQ(stuck.Minuend, 4);
        EXPECT_EQ(stuck.Subtrahend, 3);
        EXPECT_EQ(StepAndGet().Minuend, 4);
    }
}

// A step reads its two numbers whatever became of the first: the pairs shown are
// those of two "%d" conversions a step, as the C library makes them (a lone
// sign fails the first read of step 2, and 7 is its second).
TEST_F(ModelTest, EachStepReadsTwiceEvenWhenTheFirstReadFails) {
    Start("5 2 - 7 1 4 4 10 3");
    std::FILE* reference = std::fopen("input.txt", "r");
    ASSERT_NE(reference, nullptr);
    int minuend = 0, subtrahend = 0;
    for (int step = 1; step <= 6; ++step) {
        const bool firstRead = std::fscanf(reference, "%d", &minuend) == 1;
        const bool secondRead = std::fscanf(reference, "%d", &subtrahend) == 1;
        if (step == 2) {
            EXPECT_TRUE(!firstRead && secondRead) << "the lone sign fails, 7 is read";
        }
        const TRegisters shown = StepAndGet();
        EXPECT_EQ(std::pair(shown.Minuend, shown.Subtrahend), std::pair(minuend, subtrahend))
            << "step " << step;
    }
    std::fclose(reference);
}

TEST_F(ModelTest, ArithmeticWrapsAndPairsSpanLines) {
    Start("2147483647 -1\n1 2\n3\n4\n");
    EXPECT_EQ(StepAndGet().Difference, INT_MIN);
    EXPECT_EQ(StepAndGet().Difference, -1);
    EXPECT_EQ(StepAndGet().Difference, -1);
    EXPECT_EQ(Model.Registers().WindowSum, INT_MAX);  // INT_MIN + -1 wraps
}

TEST_F(ModelTest, WindowSumIsTheTenOlderCellsOnRandomInput) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<TRegister> any(INT_MIN, INT_MAX);
    std::string input;
    for (int i = 0; i < 600; ++i) {
        TRegister first = any(random);
        if (first == TPreprocessorModel::EndMarker) first = 0;
        input += std::to_string(first) + ' ' + std::to_string(any(random)) + '\n';
    }
    Start(input);
    TRegister shownSum = 0;
    for (int step = 0; step < 300; ++step) {
        const TRegister written = WrittenByNextStep();
        const TRegisters r = StepAndGet();
        EXPECT_EQ(written, shownSum) << "the value written is the sum shown one step before";
        shownSum = View.Snapshots.back().WindowSum;
        TRegister sum = 0;
        for (std::size_t i = 1; i < DelayLineCells; ++i) sum = WrappingAdd(sum, r.DelayLine[i]);
        ASSERT_EQ(r.WindowSum, sum) << "at step " << step;
        ASSERT_EQ(r.Difference, r.DelayLine[0]);
    }
}

// A view that shows no history: the model keeps none.
struct TSnapshotsOnly {
    void ShowSnapshot(const TStepSnapshot& snapshot) { Snapshots.push_back(snapshot); }
    std::vector<TStepSnapshot> Snapshots;
};

TEST_F(ModelTest, WithoutHistoryTheViewGetsOnlySnapshots) {
    Start(WorkedExampleInput);
    TSnapshotsOnly view;
    for (int i = 0; i < 16; ++i) Model.Step(Files, view);
    EXPECT_EQ(view.Snapshots.size(), 16u);
    EXPECT_EQ(view.Snapshots.back().WindowSum, 0);
    EXPECT_EQ(Model.History(), " ");
    EXPECT_EQ(ReadTextFile("output.txt"), WorkedExampleOutput);
}

// The decimal form, checked against the standard library's own conversion at
// every length, both signs, the extremes and many values between.
TEST(DecimalFormTest, AgreesWithToChars) {
    std::vector<TRegister> values = {0, INT_MIN, INT_MAX, INT_MIN + 1};
    for (std::int64_t power = 1; power <= 1'000'000'000; power *= 10) {
        for (std::int64_t v : {power - 1, power, power + 1})
            values.insert(values.end(), {static_cast<TRegister>(v), static_cast<TRegister>(-v)});
    }
    std::mt19937 random(5);
    std::uniform_int_distribution<TRegister> any(INT_MIN, INT_MAX);
    for (int i = 0; i < 100'000; ++i) values.push_back(any(random) >> (i % 31));
    for (TRegister value : values) {
        char ours[DecimalFormCapacity], theirs[DecimalFormCapacity];
        const std::string_view mine(ours,
                                    static_cast<std::size_t>(WriteDecimal(ours, value) - ours));
        const auto end = std::to_chars(theirs, theirs + sizeof theirs, value).ptr;
        ASSERT_EQ(mine, std::string_view(theirs, static_cast<std::size_t>(end - theirs)));
    }
}

// --- Reading integers -------------------------------------------------------

constexpr TRegister LowBitsOfTenToThe(int power) {
    std::uint32_t value = 1;
    for (int i = 0; i < power; ++i) value *= 10u;
    return static_cast<TRegister>(value);
}

using TScanning = TDecimalReader::TScanning;
constexpr auto Fails = std::nullopt;

struct TReadCase {
    std::string Name;
    std::string Input;
    std::vector<std::optional<TRegister>> Reads;  // Fails: the read fails
};

// The reader takes the file in blocks of 64 KiB, and finds the numbers of a
// block a window of 64 bytes at a time, from the end of the number read last:
// the first number is read by itself, so the rows that begin with "1" test
// what follows it as a window finds it.
std::string AfterOne(std::size_t blanks, std::string_view text) {
    std::string input(1 + blanks, ' ');
    input[0] = '1';
    return input.append(text);
}
std::string AtWindowEnd(std::string_view text) {
    return AfterOne(63, text);
}
std::string AtBlockEnd(std::string_view text) {
    return AfterOne(64 * 1024 - 2, text);
}

std::vector<TReadCase> ReadCases() {
    std::vector<TReadCase> cases = {
        {"Blanks", " \t\r\n\v\f+12\r\n-7", {12, -7, Fails}},
        {"SignThenBlank", "- 5", {Fails, 5}},  // the sign is consumed, the blank stays
        {"SignThenLetter", "-x 5", {Fails, Fails}},
        {"LettersAfterDigits", "12abc 5", {12, Fails, Fails}},
        {"Extremes", "-2147483648 2147483648", {INT_MIN, INT_MIN}},
        {"Wrapping", "4294967297 -4294967295", {1, 1}},
        {"ThirtyDigits", "1000000000000000000000000000000", {LowBitsOfTenToThe(30)}},
        {"SignEndingABlock", std::string(64 * 1024 - 1, ' ') + "-5 7", {-5, 7}},
        {"LongerThanAWindow", "7 1" + std::string(69, '0') + " 2", {7, LowBitsOfTenToThe(69), 2}},
        {"NulAfterDigits", std::string("7\0 8", 4), {7, Fails}},
        // Found a window at a time.
        {"SignsInAWindow", "1 +5 -6 12-5+6", {1, 5, -6, 12, -5, 6}},
        {"TwoMinuses", "1 --5 7", {1, Fails, -5, 7}},
        {"MinusPlus", "1 -+5 7", {1, Fails, 5, 7}},
        {"MinusLetter", "1 -x 5", {1, Fails, Fails}},
        {"NineToElevenDigits",
         "1 123456789 -1234567890 12345678901 9999999999 -4294967295 5",
         {1, 123456789, -1234567890, -539222987, 1410065407, 1, 5}},
        {"NumberCutByAWindow", AfterOne(57, "-123456789 5"), {1, -123456789, 5}},
        {"MinusAtWindowEnd", AtWindowEnd("-5 7"), {1, -5, 7}},
        {"LoneMinusAtWindowEnd", AtWindowEnd("- 5"), {1, Fails, 5}},
        {"MinusAtBlockEnd", AtBlockEnd("-5 7"), {1, -5, 7}},
        {"LoneMinusAtBlockEnd", AtBlockEnd("- 5"), {1, Fails, 5}},
        {"NumberAcrossBlocks", AtBlockEnd("1234 5"), {1, 1234, 5}},
    };
    // Bytes that are neither blank, sign nor digit, next to those that are in
    // the character table: each stops the reading for good, after the number before it.
    for (const unsigned char odd :
         {0x00, 0x01, 0x08, 0x0E, 0x1F, 0x21, 0x2C, 0x2F, 0x3A, 0x7F, 0xB5, 0xFF}) {
        char name[16];
        std::snprintf(name, sizeof name, "Byte%02X", odd);
        cases.push_back(
            {name, "1 12" + std::string(1, static_cast<char>(odd)) + "5 7", {1, 12, Fails, Fails}});
    }
    return cases;
}

class ReaderTest : public ::testing::TestWithParam<std::tuple<TReadCase, TScanning>> {};

TEST_P(ReaderTest, ReadsAsTheDecimalConversion) {
    const auto& [readCase, scanning] = GetParam();
    TScratchDirectory scratch;
    WriteTextFile("in", readCase.Input);
    std::FILE* in = std::fopen("in", "r");
    ASSERT_NE(in, nullptr);
    {
        TDecimalReader reader(in, scanning);
        TRegister target = 77;
        for (const auto& expected : readCase.Reads) {
            const TRegister before = target;
            const bool read = reader.Read(target);
            EXPECT_EQ(read, expected.has_value());
            EXPECT_EQ(target, expected.value_or(before));
        }
    }
    std::fclose(in);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ReaderTest,
                         ::testing::Combine(::testing::ValuesIn(ReadCases()),
                                            ::testing::Values(TScanning::OnCallersThread,
                                                              TScanning::OnItsOwnThread)),
                         [](const auto& info) {
                             const bool ahead =
                                 std::get<TScanning>(info.param) == TScanning::OnItsOwnThread;
                             return std::get<TReadCase>(info.param).Name + (ahead ? "_Ahead" : "");
                         });

// Once the input has ended it stays ended, as the C library's streams do: what
// is added to the file later is not read (and no more system calls are made for it).
TEST(ReaderEndTest, AnEndedStreamStaysEnded) {
    TScratchDirectory scratch;
    WriteTextFile("in", "1 2");
    std::FILE* in = std::fopen("in", "r");
    TDecimalReader reader(in);
    TRegister value = 0;
    EXPECT_TRUE(reader.Read(value) && reader.Read(value));
    EXPECT_FALSE(reader.Read(value));
    WriteTextFile("in", "1 2 3 4");
    EXPECT_FALSE(reader.Read(value));
    EXPECT_EQ(value, 2);
    std::fclose(in);
}

// Tokens of every length up to 18 digits (so glibc's own conversion, which
// saturates beyond 64 bits, gives the low 32 bits too; Windows' saturates beyond
// 32 bits, so there up to 9), signs and all the
// blanks, over several of the reader's blocks, then a stray sign and a letter.
TEST(ReaderAgreementTest, ReadsWhatTheCLibraryReadsAcrossBlocks) {
    TScratchDirectory scratch;
    std::mt19937 random(42);
#ifdef _WIN32
    constexpr int LongestToken = 9;
#else
    constexpr int LongestToken = 18;
#endif
    std::uniform_int_distribution<int> length(1, LongestToken), digit(0, 9), pick(0, 5);
    const std::string blanks = " \t\n\v\f\r";
    std::string text;
    while (text.size() < 300'000) {
        if (pick(random) == 0 && pick(random) == 0) text += "- ";  // fails once, mid-batch
        if (pick(random) == 0) text += pick(random) < 3 ? '-' : '+';
        for (int i = length(random); i > 0; --i) text += static_cast<char>('0' + digit(random));
        for (int i = pick(random) / 2; i >= 0; --i) text += blanks[pick(random)];
    }
    text += "12 - 7 +x 5";
    WriteTextFile("in", text);

    for (const TScanning scanning : {TScanning::OnCallersThread, TScanning::OnItsOwnThread}) {
        std::FILE* ours = std::fopen("in", "r");
        std::FILE* theirs = std::fopen("in", "r");
        int reads = 0;
        {
            TDecimalReader reader(ours, scanning);
            for (int failuresInARow = 0; failuresInARow < 2; ++reads) {  // "+x" fails for good
                TRegister mine = 1, reference = 1;
                const bool read = reader.Read(mine);
                const int scanned = std::fscanf(theirs, "%d", &reference);
                ASSERT_EQ(read, scanned == 1) << "at read " << reads;
                ASSERT_EQ(mine, reference) << "at read " << reads;
                failuresInARow = read ? 0 : failuresInARow + 1;
            }
        }
        EXPECT_GT(reads, 20'000);
        std::fclose(ours);
        std::fclose(theirs);
    }
}

// --- Opening, truncating and failing ----------------------------------------

TEST(DataFilesTest, OpeningFollowsTheInputFirstRule) {
    TScratchDirectory scratch;
    WriteTextFile("output.txt", "precious");
    TDataFiles missingInput;
    EXPECT_EQ(missingInput.Open(), drInputFailed);
    EXPECT_EQ(ReadTextFile("output.txt"), "precious") << "output must not be touched";
    EXPECT_EQ(OpenFailureMessage(drInputFailed), "Невозможно открыть файл INPUT.TXT");

    WriteTextFile("input.txt", "1 2");
    TDataFiles truncating;
    EXPECT_EQ(truncating.Open(), drOk);
    EXPECT_EQ(ReadTextFile("output.txt"), "") << "opening empties the output at once";
    EXPECT_EQ(OpenFailureMessage(drOk), "");
    truncating.Close();

    std::filesystem::remove("output.txt");
    std::filesystem::create_directory("output.txt");
    TDataFiles blockedOutput;
    EXPECT_EQ(blockedOutput.Open(), drOutputFailed);
    EXPECT_EQ(OpenFailureMessage(drOutputFailed), "Невозможно открыть файл OUTPUT.TXT");
}

TEST(DataFilesTest, ADirectoryIsNoInputFile) {
    TScratchDirectory scratch;
    std::filesystem::create_directory("input.txt");
    WriteTextFile("output.txt", "precious");
    TDataFiles files;
    EXPECT_EQ(files.Open(), drInputFailed);
    EXPECT_EQ(files.LastError(), std::errc::is_a_directory);
    EXPECT_EQ(ReadTextFile("output.txt"), "precious");
}

#ifndef _WIN32  // /dev/full
TEST(DataFilesTest, AFailedWriteIsReportedAndTheStepCompletes) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", WorkedExampleInput);
    TDataFiles files("input.txt", "/dev/full");
    ASSERT_EQ(files.Open(), drOk);
    TPreprocessorModel model;
    TRecordingView view;
    model.Step(files, view);
    model.Step(files, view);
    EXPECT_TRUE(files.WriteFailed());
    EXPECT_EQ(files.LastError(), std::errc::no_space_on_device);
    EXPECT_EQ(model.History(), " 0 0 ");
    EXPECT_EQ(model.Registers().Difference, 6);
    EXPECT_FALSE(files.Close());
}
#endif

TEST(DataFilesTest, BufferedWritesReachTheFileAtClose) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", "");
    TDataFiles files;
    ASSERT_EQ(files.Open(), drOk);
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);
    files.WriteOutput(-2147483647 - 1);
    files.WriteOutput(42);
    EXPECT_TRUE(files.Close());
    EXPECT_EQ(ReadTextFile("output.txt"), "-2147483648 42 ");
}

#ifndef _WIN32  // a file size limit, and /proc
// A disk that fills up and later has room again: every value of every step is on
// the file in the end, whole and in order, as if nothing had happened.
TEST_F(ModelTest, AFullDiskThatFreesSpaceLosesNothing) {
    Start("123456 -654321 999999 1 -7 8 1000000 -1000000 -999 0");
    {
        TFileSizeLimit disk(50);
        for (int step = 0; step < 40; ++step) Model.Step(Files, View);
        EXPECT_TRUE(Files.WriteFailed());
        EXPECT_LE(std::filesystem::file_size("output.txt"), 50u);
        disk.Lift();
        for (int step = 0; step < 3; ++step) Model.Step(Files, View);
    }
    EXPECT_EQ(ReadTextFile("output.txt"),
              "0 0 0 777777 1777775 1777760 3777760 3777760 3777760 3777760 3777760 3777760 "
              "3777760 2999983 1999985 2000000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
              "0 0 0 ");
}

// Far more than the buffer's first 64 KiB waits for room: 8,000 values of nine
// bytes each (the pair's difference is 2,000,000, ten of them 20,000,000).
TEST_F(ModelTest, MoreThanABufferWaitingForRoomLosesNothing) {
    Start("1000000 -1000000\n");
    std::string expected;
    {
        TFileSizeLimit disk(50);
        for (int step = 1; step <= 8'000; ++step) {
            Model.Step(Files, View);
            expected += std::to_string(2'000'000 * std::clamp(step - 3, 0, 10)) + ' ';
        }
        EXPECT_LE(std::filesystem::file_size("output.txt"), 50u);
        disk.Lift();
        Model.Step(Files, View);
        expected += "20000000 ";
    }
    EXPECT_GT(expected.size(), 70'000u);
    EXPECT_EQ(ReadTextFile("output.txt"), expected);
}

// When the disk stays full, what could not be written is lost, but the file ends
// after a whole value: none is cut short.
TEST(DataFilesTest, OutputCutShortEndsAfterAWholeValue) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", "");
    for (const TFlushPolicy policy : {TFlushPolicy::EveryWrite, TFlushPolicy::WhenBufferFills}) {
        TDataFiles files;
        ASSERT_EQ(files.Open(), drOk);
        files.SetFlushPolicy(policy);
        TFileSizeLimit disk(1000);
        for (int i = 0; i < 20'000; ++i) files.WriteOutput(-1234567);
        EXPECT_FALSE(files.Close());
        const std::string written = ReadTextFile("output.txt");
        EXPECT_EQ(written.size(), 1000u / 9 * 9);
        EXPECT_EQ(written.find_first_not_of("-1234567 "), std::string::npos);
        EXPECT_EQ(written.find("-1234567 -1234567 "), 0u);
        EXPECT_TRUE(written.ends_with(" -1234567 "));
    }
}

// The descriptor under the output stream goes away, so closing it fails.
TEST(DataFilesTest, AFailedCloseIsReported) {
    TScratchDirectory scratch;
    WriteTextFile("input.txt", "1 2");
    TDataFiles files;
    ASSERT_EQ(files.Open(), drOk);
    files.WriteOutput(5);
    const auto output = std::filesystem::canonical("output.txt");
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(fd.path(), ignored) == output)
            close(std::stoi(fd.path().filename().string()));
    }
    EXPECT_FALSE(files.Close());
    EXPECT_EQ(files.LastError(), std::errc::bad_file_descriptor);
    EXPECT_EQ(ReadTextFile("output.txt"), "5 ");
}
#endif

// --- Hostile input ------------------------------------------------------------

#ifndef _WIN32  // an open file cannot be removed there
TEST_F(ModelTest, ReadingGoesOnFromTheFileThatWasOpened) {
    std::string input;
    for (int i = 0; i < 40'000; ++i) input += "3 1\n";  // 160 kB: more than one block
    Start(input);
    Model.Step(Files, View);
    std::filesystem::remove("input.txt");
    WriteTextFile("input.txt", "100 1\n");  // a new file under the old name
    for (int i = 1; i < 40'000; ++i) {
        Model.Step(Files, View);
        ASSERT_EQ(Model.Registers().Difference, 2) << "at step " << i + 1;
    }
}
#endif

TEST_F(ModelTest, AMillionDigitsAreOneNumberKeepingItsLowBits) {
    std::string digits = "-7";
    digits.append(999'999, '3');
    std::uint32_t low = 7;
    for (int i = 0; i < 999'999; ++i) low = low * 10u + 3u;
    Start(digits + " 1 2 4");
    Model.Step(Files, View);
    EXPECT_EQ(Model.Registers().Minuend, static_cast<TRegister>(0u - low));
    EXPECT_EQ(Model.Registers().Subtrahend, 1);
    EXPECT_EQ(StepAndGet().Difference, -2);
}

TEST_F(ModelTest, LineEndsAndBinaryBytes) {
    {
        SCOPED_TRACE("CRLF line ends and no final line end");
        Start("1 2\r\n3 5\r\n\r\n9 4");
        EXPECT_EQ(StepAndGet().Difference, -1);
        EXPECT_EQ(StepAndGet().Difference, -2);
        EXPECT_EQ(StepAndGet().Difference, 5);
    }
    {
        SCOPED_TRACE("binary bytes stop the reading at the first that is no number");
        Files = TDataFiles{};
        Model = TPreprocessorModel{};
        std::string bytes = "8 3 6";
        for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 37) % 256);
        Start(bytes);
        EXPECT_EQ(StepAndGet().Difference, 5);
        for (int i = 0; i < 10; ++i) EXPECT_EQ(StepAndGet().Minuend, 6);
    }
}

}  // namespace
