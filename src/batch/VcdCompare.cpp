#include "VcdCompare.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <vector>

#include "DecimalReader.h"
#include "FilePaths.h"
#include "PreprocessorModel.h"
#include "RecordedRegisters.h"
#include "VcdReader.h"

namespace {

// The signals compared: the trace's columns, then the end-of-data latch, as the
// program's own dumps hold them.
constexpr std::size_t SignalCount = RecordedRegisterNames.size() + 1;
using TSignalValues = std::array<std::int64_t, SignalCount>;

std::string_view SignalName(std::size_t signal) {
    return signal < RecordedRegisterNames.size() ? RecordedRegisterNames[signal] : "EndOfData";
}

constexpr std::size_t FirstCell = 2;  // DelayLine0

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// ---------------------------------------------------------------------------
// The model, stepping along the input as the program does; it reads the pairs
// and takes the values in place of the data files, and writes no output.

class TModelRun {
public:
    bool Open(const std::filesystem::path& input) {
        Input_.reset(OpenFile(input, "r"));
        if (!Input_) return false;
        Reader_ = std::make_unique<TDecimalReader>(Input_.get(),
                                                   TDecimalReader::TScanning::OnItsOwnThread);
        return true;
    }

    // The values after the next step.
    const TSignalValues& Step() {
        Model_.Step(*this, *this);
        Values_.back() = Model_.EndOfData();
        return Values_;
    }

    // What the last step read from the input, as the user would look for it there.
    std::string PairRead() const {
        const auto number = [](bool read, TRegister value) {
            return read ? std::to_string(value) : std::string("nothing");
        };
        if (!MinuendRead_ && !SubtrahendRead_) return "the step read no pair: the input has ended";
        return "the step's pair from the input: " + number(MinuendRead_, Minuend_) + " " +
               number(SubtrahendRead_, Subtrahend_);
    }

    // As the data files.
    void ReadPair(TRegister& minuend, TRegister& subtrahend) {
        MinuendRead_ = Reader_->Read(minuend);
        SubtrahendRead_ = Reader_->Read(subtrahend);
        Minuend_ = minuend;
        Subtrahend_ = subtrahend;
    }
    void WriteOutput(TRegister value) { Values_[RecordedRegisterNames.size() - 1] = value; }

    // As a view.
    void ShowSnapshot(const TStepSnapshot& snapshot) {
        const auto shown = snapshot.Values();
        std::copy(shown.begin(), shown.end(), Values_.begin());
    }

private:
    std::unique_ptr<std::FILE, TFileCloser> Input_;
    std::unique_ptr<TDecimalReader> Reader_;
    TPreprocessorModel Model_;
    TSignalValues Values_{};
    TRegister Minuend_ = 0, Subtrahend_ = 0;
    bool MinuendRead_ = false, SubtrahendRead_ = false;
};

// ---------------------------------------------------------------------------
// Which of the dump's variables hold which signal.

// A reference as a trace name would be written, the cell index made plain:
// "DelayLine[3]", "DelayLine(3)" and "DelayLine_3" are all "DelayLine3".
std::string PlainName(std::string_view reference) {
    std::string name(reference);
    if (!name.empty() && (name.back() == ']' || name.back() == ')')) {
        const std::size_t open = name.find_last_of(name.back() == ']' ? '[' : '(');
        if (open == std::string::npos) return name;
        const std::string index = name.substr(open + 1, name.size() - open - 2);
        if (index.empty() ||
            !std::ranges::all_of(index, [](char c) { return c >= '0' && c <= '9'; }))
            return name;
        name = name.substr(0, open) + index;
    }
    const std::size_t digits = name.find_last_not_of("0123456789");
    if (digits != std::string::npos && digits + 1 < name.size() && name[digits] == '_')
        name.erase(digits, 1);
    return name;
}

// A variable that holds a signal: whole, or as one cell of a delay line dumped
// as one wide vector (11 cells, cell 0 in the lowest bits).
struct TSource {
    const TVcdReader::TVariable* Variable = nullptr;
    unsigned Offset = 0;  // the signal's lowest bit in the variable
    unsigned Width = 0;
    bool ExactCase = false;
};

struct TMatches {
    std::array<std::optional<TSource>, SignalCount> Sources;
    std::vector<std::string> Notes;  // variables left out, or matching one name with others
};

TMatches MatchSignals(const std::vector<TVcdReader::TVariable>& variables) {
    TMatches matches;
    std::array<std::vector<TSource>, SignalCount> candidates;
    std::vector<const TVcdReader::TVariable*> packedLines;
    for (const TVcdReader::TVariable& variable : variables) {
        const std::string plain = PlainName(variable.Reference);
        const std::string lower = Lowercase(plain);
        const auto leftOut = [&](const std::string& why) {
            matches.Notes.push_back(plain + ": " + variable.FullName() + " left out: " +
                                    std::to_string(variable.Width) + " bits " + why);
        };
        for (std::size_t signal = 0; signal < SignalCount; ++signal) {
            if (lower != Lowercase(SignalName(signal))) continue;
            if (variable.Width <= 64)
                candidates[signal].push_back(
                    {&variable, 0, variable.Width, plain == SignalName(signal)});
            else
                leftOut("(a register is compared up to 64)");
        }
        if (lower != "delayline") continue;
        if (variable.Width % DelayLineCells == 0 && variable.Width / DelayLineCells <= 64)
            packedLines.push_back(&variable);
        else
            leftOut("are not 11 cells of up to 64 bits each");
    }
    // The line as one vector, where its cells are not dumped one by one.
    const bool cellsDumped =
        std::any_of(candidates.begin() + FirstCell, candidates.begin() + FirstCell + DelayLineCells,
                    [](const auto& found) { return !found.empty(); });
    for (const TVcdReader::TVariable* line : cellsDumped ? decltype(packedLines){} : packedLines) {
        const unsigned width = line->Width / DelayLineCells;
        for (unsigned cell = 0; cell < DelayLineCells; ++cell) {
            candidates[FirstCell + cell].push_back(
                {line, cell * width, width, PlainName(line->Reference) == "DelayLine"});
        }
    }
    for (std::size_t signal = 0; signal < SignalCount; ++signal) {
        auto& found = candidates[signal];
        if (found.empty()) continue;
        // The exact case first, then the first declared.
        std::ranges::stable_sort(
            found, [](const TSource& a, const TSource& b) { return a.ExactCase > b.ExactCase; });
        matches.Sources[signal] = found.front();
        std::vector<std::string> others;
        for (const TSource& other : found)
            if (other.Variable->Code != found.front().Variable->Code &&
                std::ranges::find(others, other.Variable->FullName()) == others.end())
                others.push_back(other.Variable->FullName());
        if (others.empty()) continue;
        std::string note = std::string(SignalName(signal)) + ": " +
                           found.front().Variable->FullName() + " compared, not ";
        for (std::size_t i = 0; i < others.size(); ++i) note += (i ? ", " : "") + others[i];
        const bool caseDecided = found.front().ExactCase && !found[1].ExactCase;
        note += caseDecided ? " (the exact case wins)" : " (the first in the dump)";
        matches.Notes.push_back(std::move(note));
    }
    return matches;
}

// What was compared: each variable once, and the trace's signals the dump lacks.
std::string DescribeMatches(const TMatches& matches) {
    std::string compared;
    std::vector<std::string> missing;
    std::vector<const TVcdReader::TVariable*> listed;
    for (std::size_t signal = 0; signal < SignalCount; ++signal) {
        const auto& source = matches.Sources[signal];
        if (!source) {
            missing.emplace_back(SignalName(signal));
        } else if (std::ranges::find(listed, source->Variable) == listed.end()) {
            listed.push_back(source->Variable);
            compared += (compared.empty() ? "" : ", ") + source->Variable->FullName();
            if (source->Width != source->Variable->Width)
                compared += " (as DelayLine0 to DelayLine10)";
        }
    }
    // Simulators often leave an array out: the whole line is named as one.
    const std::vector<std::string> line(RecordedRegisterNames.begin() + FirstCell,
                                        RecordedRegisterNames.begin() + FirstCell + DelayLineCells);
    if (const auto cells = std::search(missing.begin(), missing.end(), line.begin(), line.end());
        cells != missing.end()) {
        *cells = "DelayLine0 to DelayLine10";
        missing.erase(cells + 1, cells + DelayLineCells);
    }
    std::string text = "compared: " + compared + "\n";
    for (std::size_t i = 0; i < missing.size(); ++i)
        text +=
            (i ? ", " : "not in the dump: ") + missing[i] + (i + 1 == missing.size() ? "\n" : "");
    for (const std::string& note : matches.Notes) text += note + "\n";
    return text;
}

// A signal named by the user (--clock, --enable): a full name, or a name found
// in any scope, the exact case first.
const TVcdReader::TVariable* FindNamed(const std::vector<TVcdReader::TVariable>& variables,
                                       std::string_view name) {
    const TVcdReader::TVariable* found = nullptr;
    for (const TVcdReader::TVariable& variable : variables) {
        const std::string& candidate =
            name.find('.') == std::string_view::npos ? variable.Reference : variable.FullName();
        if (candidate == name) return &variable;
        if (!found && Lowercase(candidate) == Lowercase(name)) found = &variable;
    }
    return found;
}

// ---------------------------------------------------------------------------
// The dump's values as they stand.

struct TDumpValue {
    bool Known = false;
    std::int64_t Number = 0;
    std::string Bits;  // when not known: what the dump has, as bits
};

// A one-bit value as Verilog has it; VHDL's weak levels count as the strong.
char Scalar(char value) {
    switch (value) {
        case '0':
        case 'l':
        case 'L':
            return '0';
        case '1':
        case 'h':
        case 'H':
            return '1';
        case 'z':
        case 'Z':
            return 'z';
        default:
            return 'x';
    }
}

// A change's value extended to the variable's width as VCD extends it, then
// the signal's bits taken from it and read as a two's complement number (a
// flag of one bit as 0 or 1).
TDumpValue Decode(std::string_view value, const TSource& source) {
    TDumpValue decoded;
    if (value.front() == 'r' || value.front() == 'R') {
        double number = 0;
        const auto [end, error] =
            std::from_chars(value.data() + 1, value.data() + value.size(), number);
        if (error == std::errc() && end == value.data() + value.size() &&
            std::trunc(number) == number && std::abs(number) < 9.2e18) {
            decoded.Known = true;
            decoded.Number = static_cast<std::int64_t>(number);
        } else {
            decoded.Bits = value.substr(1);
        }
        return decoded;
    }
    std::string_view bits = value.front() == 'b' || value.front() == 'B' ? value.substr(1) : value;
    const unsigned width = source.Variable->Width;
    if (bits.size() > width) bits.remove_prefix(bits.size() - width);
    const char first = bits.empty() ? '0' : Scalar(bits.front());
    const char fill = first == '1' ? '0' : first;
    // Bit i of the variable, lowest first.
    const auto bit = [&](unsigned i) { return i < bits.size() ? bits[bits.size() - 1 - i] : fill; };
    std::uint64_t number = 0;
    decoded.Known = true;
    for (unsigned i = 0; i < source.Width; ++i) {
        const char c = Scalar(bit(source.Offset + i));
        if (c == '1') {
            number |= std::uint64_t{1} << i;
        } else if (c != '0') {
            decoded.Known = false;
        }
    }
    if (!decoded.Known) {
        for (unsigned i = source.Width; i-- > 0;) decoded.Bits += bit(source.Offset + i);
        return decoded;
    }
    // One bit is a flag, 0 or 1; more are a signed number.
    if (source.Width > 1 && source.Width < 64 && (number >> (source.Width - 1) & 1))
        number |= ~std::uint64_t{0} << source.Width;
    decoded.Number = static_cast<std::int64_t>(number);
    return decoded;
}

std::string Show(const TDumpValue& value) {
    if (value.Known) return std::to_string(value.Number);
    if (!value.Bits.empty() &&
        value.Bits.find_first_not_of(value.Bits.front()) == std::string::npos)
        return std::string(1, value.Bits.front());
    return value.Bits;
}

// Every variable of one identifier: the signals it holds, and what the step
// rules need of it.
struct TCode {
    const TVcdReader::TVariable* Variable = nullptr;
    std::vector<std::size_t> Signals;
    // A one-bit variable's value; none until the dump gives one, for the value
    // a dump begins with is where it starts, not an edge.
    char Scalar = '\0';
    std::uint64_t Rises = 0;  // how often it has gone to 1
};

class TComparison {
public:
    TComparison(TVcdReader& reader, const TMatches& matches, TModelRun& model)
        : Reader_(reader), Matches_(matches), Model_(model) {
        for (const TVcdReader::TVariable& variable : reader.Variables()) {
            TCode& code = Codes_[variable.Code];
            if (!code.Variable) code.Variable = &variable;
        }
        for (std::size_t signal = 0; signal < SignalCount; ++signal)
            if (matches.Sources[signal])
                Codes_[matches.Sources[signal]->Variable->Code].Signals.push_back(signal);
    }

    // Where the steps are the clock's rising edges (and the enable's 1s).
    void Clocked(const TVcdReader::TVariable& clock, const TVcdReader::TVariable* enable) {
        Clock_ = &Codes_[clock.Code];
        if (enable) Enable_ = &Codes_[enable->Code];
    }

    TBatchResult Run(std::FILE* out);

private:
    struct TChange {
        TCode* Code;
        std::string Value;
    };

    bool FinishTime(std::optional<std::uint64_t> next);
    bool CompareStep();
    void Apply(const TChange& change);
    TBatchResult Explain(std::FILE* out);

    TVcdReader& Reader_;
    const TMatches& Matches_;
    TModelRun& Model_;
    std::unordered_map<std::string, TCode> Codes_;
    TCode* Clock_ = nullptr;
    TCode* Enable_ = nullptr;

    std::array<TDumpValue, SignalCount> Seen_;
    std::vector<TChange> Changes_;  // of the time being read; only the first ChangeCount_ hold
    std::size_t ChangeCount_ = 0;
    std::uint64_t Time_ = 0;
    std::uint64_t TimeStepGcd_ = 0;
    bool EdgePending_ = false;  // a step's edge has come, its values not yet sampled
    std::uint64_t Steps_ = 0;
    std::string Difference_;  // the first, once found
};

void TComparison::Apply(const TChange& change) {
    TCode& code = *change.Code;
    if (code.Variable->Width == 1) {
        const char scalar = Scalar(change.Value.back());
        code.Rises += scalar == '1' && code.Scalar != '1' && code.Scalar != '\0';
        code.Scalar = scalar;
    }
    for (std::size_t signal : code.Signals)
        Seen_[signal] = Decode(change.Value, *Matches_.Sources[signal]);
}

bool TComparison::CompareStep() {
    ++Steps_;
    const TSignalValues& expected = Model_.Step();
    std::vector<std::size_t> differing;
    for (std::size_t signal = 0; signal < SignalCount; ++signal) {
        if (Matches_.Sources[signal] &&
            (!Seen_[signal].Known || Seen_[signal].Number != expected[signal]))
            differing.push_back(signal);
    }
    if (differing.empty()) return true;
    const std::size_t first = differing.front();
    Difference_ = "step " + std::to_string(Steps_) + ": " + std::string(SignalName(first)) +
                  " differs: the dump has " + Show(Seen_[first]) + " (" +
                  Matches_.Sources[first]->Variable->FullName() + "), the model " +
                  std::to_string(expected[first]) + "; " + Model_.PairRead() + "\n";
    if (differing.size() > 1) {
        Difference_ += "at this step also:";
        for (std::size_t i = 1; i < differing.size(); ++i)
            Difference_ += std::string(i == 1 ? " " : ", ") + std::string(SignalName(differing[i]));
        Difference_ += "\n";
    }
    return false;
}

// The time being read is over: its changes take effect, and the steps it holds
// are compared. False once a difference is found.
bool TComparison::FinishTime(std::optional<std::uint64_t> next) {
    if (Clock_) {
        bool rises = false;
        for (std::size_t i = 0; i < ChangeCount_; ++i)
            if (Changes_[i].Code == Clock_) rises = Scalar(Changes_[i].Value.back()) == '1';
        rises = rises && Clock_->Scalar != '1' && Clock_->Scalar != '\0';
        // An edge's step is sampled once what follows from it has settled: just
        // before the next edge. The enable counts as it stood before the edge.
        if (rises && EdgePending_ && !CompareStep()) return false;
        if (rises) EdgePending_ = !Enable_ || Enable_->Scalar == '1';
    }
    for (std::size_t i = 0; i < ChangeCount_; ++i) Apply(Changes_[i]);
    ChangeCount_ = 0;
    if (Clock_) {
        if (!next && EdgePending_) return CompareStep();
        return true;
    }
    // A time unit a step: the values at time t hold for steps t up to the next
    // time, and the dump's last time is its last step.
    const std::uint64_t end = next ? *next : Time_ + 1;
    for (std::uint64_t step = std::max<std::uint64_t>(Time_, 1); step < end; ++step)
        if (!CompareStep()) return false;
    return true;
}

// A difference found where each time unit was taken for a step: if the dump's
// time goes otherwise, that is what the user is told instead.
TBatchResult TComparison::Explain(std::FILE* out) {
    // Only the changes are read on, to learn how the dump's time goes.
    for (TVcdReader::TEvent event; (event = Reader_.Next()) != TVcdReader::TEvent::End;) {
        if (event == TVcdReader::TEvent::Error) break;
        if (event == TVcdReader::TEvent::Time) {
            TimeStepGcd_ = std::gcd(TimeStepGcd_, Reader_.Time() - Time_);
            Time_ = Reader_.Time();
        } else if (const auto code = Codes_.find(std::string(Reader_.Code()));
                   code != Codes_.end()) {
            Apply({&code->second, std::string(Reader_.Value())});
        }
    }
    const TCode* clock = nullptr;
    for (const TVcdReader::TVariable& variable : Reader_.Variables()) {
        const TCode& code = Codes_[variable.Code];
        if (code.Variable == &variable && code.Rises >= 2 && (!clock || code.Rises > clock->Rises))
            clock = &code;
    }
    if (clock) {
        return {2,
                "the dump's time does not advance a step per time unit: " +
                    clock->Variable->FullName() + " goes to 1 " + std::to_string(clock->Rises) +
                    " times, as a clock does. If a step is its rising edge, say so with --clock " +
                    clock->Variable->Reference +
                    " (and --enable SIGNAL if only some edges are steps)"};
    }
    if (TimeStepGcd_ > 1) {
        return {2,
                "the dump's time does not advance a step per time unit: it changes only at "
                "multiples of " +
                    std::to_string(TimeStepGcd_) +
                    " units. Dump the design's clock too, and name it with --clock"};
    }
    std::fputs(Difference_.c_str(), out);
    return {1, {}};
}

TBatchResult TComparison::Run(std::FILE* out) {
    bool timeSeen = false;
    for (;;) {
        const TVcdReader::TEvent event = Reader_.Next();
        if (event == TVcdReader::TEvent::Error)
            return {2, "cannot read the dump: " + Reader_.Error()};
        if (event == TVcdReader::TEvent::Change) {
            const auto code = Codes_.find(std::string(Reader_.Code()));
            if (code == Codes_.end()) {
                return {2, "cannot read the dump: a change of '" + std::string(Reader_.Code()) +
                               "', which no $var declares: it is damaged or cut short"};
            }
            if (ChangeCount_ == Changes_.size()) Changes_.emplace_back();
            Changes_[ChangeCount_].Code = &code->second;
            Changes_[ChangeCount_++].Value.assign(Reader_.Value());
            continue;
        }
        if (event == TVcdReader::TEvent::Time) {
            if (timeSeen && Reader_.Time() < Time_) {
                return {2, "cannot read the dump: its time goes back, from " +
                               std::to_string(Time_) + " to " + std::to_string(Reader_.Time()) +
                               ": it is damaged"};
            }
            const bool same = FinishTime(Reader_.Time());
            TimeStepGcd_ = std::gcd(TimeStepGcd_, Reader_.Time() - Time_);
            Time_ = Reader_.Time();
            timeSeen = true;
            if (!same) break;
            continue;
        }
        if (!FinishTime(std::nullopt)) break;
        if (Steps_ == 0) {
            return {2, Clock_ ? "the dump holds no step: " + Clock_->Variable->FullName() +
                                    (Enable_ ? " never rises where " +
                                                   Enable_->Variable->FullName() + " is 1"
                                             : " never rises")
                              : std::string("the dump holds no step: its time never passes 0")};
        }
        std::fprintf(out, "equal for %llu steps\n", static_cast<unsigned long long>(Steps_));
        return {};
    }
    if (Clock_) {
        std::fputs(Difference_.c_str(), out);
        return {1, {}};
    }
    return Explain(out);
}

}  // namespace

TBatchResult CompareWithDump(const TBatchOptions& options, std::FILE* standardOutput) {
    const std::filesystem::path& path = *options.CompareVcd;
    const std::string named = PathToUtf8(path);
    std::unique_ptr<std::FILE, TFileCloser> file(OpenFile(path, "rb"));
    if (!file)
        return {2, "cannot open the dump " + named + ": " + std::generic_category().message(errno)};
    TVcdReader reader(file.get());
    if (!reader.ReadDeclarations())
        return {2, "cannot read the dump " + named + ": " + reader.Error()};

    const TMatches matches = MatchSignals(reader.Variables());
    if (std::ranges::none_of(matches.Sources,
                             [](const auto& source) { return source.has_value(); })) {
        std::string names;
        for (std::size_t signal = 0; signal < SignalCount; ++signal)
            names += (signal ? ", " : "") + std::string(SignalName(signal));
        return {2, "the dump " + named + " holds none of the pipeline's signals (" + names +
                       "): is it of another design? Dump its registers under these names"};
    }
    const TVcdReader::TVariable* clock = nullptr;
    const TVcdReader::TVariable* enable = nullptr;
    for (const auto& [option, name, found] : {std::tuple{"--clock", &options.Clock, &clock},
                                              std::tuple{"--enable", &options.Enable, &enable}}) {
        if (name->empty()) continue;
        *found = FindNamed(reader.Variables(), *name);
        if (!*found)
            return {2, "the dump " + named + " has no signal " + *name + " (" + option + ")"};
        if ((*found)->Width != 1) {
            return {2, std::string(option) + " " + *name + ": " + (*found)->FullName() + " is " +
                           std::to_string((*found)->Width) + " bits wide, not one"};
        }
    }

    TModelRun model;
    if (!model.Open(options.Input)) {
        return {1, std::string(InputOpenFailedMessage) + " (" + PathToUtf8(options.Input) + ": " +
                       std::generic_category().message(errno) + ")"};
    }
    std::fputs(DescribeMatches(matches).c_str(), standardOutput);
    TComparison comparison(reader, matches, model);
    if (clock) comparison.Clocked(*clock, enable);
    return comparison.Run(standardOutput);
}
