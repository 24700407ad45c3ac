#include "SessionRecord.h"

#include <algorithm>
#include <cstdio>

TSessionRecord SessionRecord;

bool TSessionRecord::StartDump(const std::filesystem::path& path, std::string_view program) {
    if (!Stream_.Open(path, stdout)) return false;
    Vcd_.emplace(Stream_, program);
    Vcd_->Flush();
    Stream_.Flush();
    return true;
}

void TSessionRecord::Record(const TStepSnapshot& shown, TRegister written, bool endOfData) {
    ++Steps_;
    if (endOfData && !EndOfDataStep_) EndOfDataStep_ = Steps_;
    if (Keeping_) {
        const std::uint64_t index = Steps_ - 1;
        if (index % BlockSteps == 0) Blocks_.push_back(std::make_unique<TBlock>());
        const auto snapshot = shown.Values();
        TRegister* values = Blocks_.back()->data() + index % BlockSteps * Signals;
        std::copy(snapshot.begin(), snapshot.end(), values);
        values[Signals - 1] = written;
    }
    if (Vcd_) {
        Vcd_->WriteStep(Steps_, shown, written, endOfData);
        Vcd_->Flush();
        Stream_.Flush();
    }
    if (Observer_) Observer_();
}

void TSessionRecord::Finish() {
    if (!Vcd_) return;
    Vcd_->Finish(Steps_);
    Vcd_.reset();
    Stream_.Close();
}

std::string TSessionRecord::Dump(std::string_view program) const {
    TStringSink text;
    TVcdWriter vcd(text, program);
    for (std::uint64_t step = 1; step <= Steps_ && Keeping_; ++step) {
        TValues values;
        for (std::size_t signal = 0; signal < Signals; ++signal) values[signal] = Value(step, signal);
        vcd.WriteStep(step, values, EndOfDataStep_ && step >= EndOfDataStep_);
    }
    vcd.Finish(Steps_);
    return std::move(text.Text);
}
