#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>

#include "NumberScanner.h"
#include "Register.h"

class TScanAhead;

// Reads signed decimal integers from a C stream as the "%d" conversion does
// (TNumberScanner says how), one read at a time: a failed read leaves the
// target as it was. The numbers are scanned ahead of the reads in batches,
// either on the caller's thread, a few hundred at a time, or on a thread of the
// reader's own, tens of thousands ahead, while the caller works on the numbers
// before them. The stream must not be read otherwise while the reader exists.
class TDecimalReader {
public:
    enum class TScanning { OnCallersThread, OnItsOwnThread };

    explicit TDecimalReader(std::FILE* stream, TScanning scanning = TScanning::OnCallersThread);
    ~TDecimalReader();
    TDecimalReader(const TDecimalReader&) = delete;
    TDecimalReader& operator=(const TDecimalReader&) = delete;

    bool Read(TRegister& target) {
        if (Taken_ == Count_) {
            // The target's address is not passed on: a register of the caller
            // can stay in a register of the processor.
            const TReadResult read = ReadFromNextBatch();
            if (read.Read) target = read.Value;
            return read.Read;
        }
        target = Values_[Taken_++];
        return true;
    }

private:
    struct TReadResult {
        bool Read;
        TRegister Value;
    };

    TReadResult ReadFromNextBatch();

    TNumberScanner Scanner_;
    const TRegister* Values_ = nullptr;  // the batch being read
    std::size_t Taken_ = 0;
    std::size_t Count_ = 0;
    TScanEnd BatchEnd_ = TScanEnd::Full;
    std::array<TRegister, TNumberScanner::ChunkSize + TNumberScanner::Overrun> Batch_{};
    std::unique_ptr<TScanAhead> Ahead_;  // scanning on a thread of its own
};
