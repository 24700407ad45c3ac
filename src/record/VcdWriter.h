#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "PreprocessorModel.h"
#include "RecordedRegisters.h"
#include "TextSink.h"

// The registers as a value change dump (VCD, IEEE 1364), the format hardware
// waveform viewers read: one scope named after the program, a signed 32-bit
// signal per trace column and the 1-bit end-of-data latch, one time unit of a
// second per step. Only values that changed are written at each time, and the
// text streams out as it is made, so memory stays flat however long the run.
class TVcdWriter {
public:
    // The signals: the recorded registers, then the latch.
    static constexpr std::size_t RegisterCount = RecordedRegisterNames.size();

    // Writes the header, naming `program` as the dump's maker, and the values
    // before the first step, all 0, at time 0.
    TVcdWriter(TTextSink& out, std::string_view program);

    // The values step `step` showed and wrote, and the latch after its rule.
    void WriteStep(std::uint64_t step, const TStepSnapshot& shown, TRegister written,
                   bool endOfData);
    // The same, as recorded: in the order of RecordedRegisterNames.
    void WriteStep(std::uint64_t step, const std::array<TRegister, RegisterCount>& values,
                   bool endOfData);

    // Marks the end of the run, so a viewer shows its whole length.
    void Finish(std::uint64_t steps);

    // Hands what is written so far to the stream (otherwise done in large pieces).
    void Flush();

private:
    TTextSink& Out_;
    std::array<TRegister, RegisterCount> Values_{};
    bool EndOfData_ = false;
    std::uint64_t LastTime_ = 0;
    std::string Pending_;
};
