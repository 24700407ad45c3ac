#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "NumberScanner.h"

// A batch of numbers scanned ahead, and how its scan ended.
struct TScannedBatch {
    static constexpr std::size_t Room = 64 * 1024;

    std::array<TRegister, Room + TNumberScanner::Overrun> Values;
    std::size_t Count = 0;
    TScanEnd End = TScanEnd::Full;
};

// Scans on a thread of its own into a ring of batches, which the reader takes
// in turn and hands back once it has read them; the thread waits while every
// batch is full, and ends after the batch in which the reads fail for good.
class TScanAhead {
public:
    explicit TScanAhead(TNumberScanner& scanner);
    // Stops the thread, wherever it is, and waits for it.
    ~TScanAhead();
    TScanAhead(const TScanAhead&) = delete;
    TScanAhead& operator=(const TScanAhead&) = delete;

    // The next batch, once it is scanned.
    const TScannedBatch& Take();
    // Hands back the batch taken last, for the thread to scan into again.
    void GiveBack();

private:
    static constexpr std::size_t RingSize = 3;

    void ScanBatches();

    TNumberScanner& Scanner_;
    std::array<TScannedBatch, RingSize> Ring_;
    std::mutex Mutex_;  // guards the counts; a batch belongs to one thread at a time
    std::condition_variable Changed_;
    std::size_t Scanned_ = 0;   // batches the thread has scanned
    std::size_t Taken_ = 0;     // ... the reader has taken
    std::size_t Returned_ = 0;  // ... the reader has handed back
    bool Stopping_ = false;
    std::thread Thread_;  // last: it starts once the rest is in place
};
