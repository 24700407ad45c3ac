#include "ScanAhead.h"

TScanAhead::TScanAhead(TNumberScanner& scanner)
    : Scanner_(scanner), Thread_([this] { ScanBatches(); }) {}

TScanAhead::~TScanAhead() {
    {
        std::lock_guard lock(Mutex_);
        Stopping_ = true;
    }
    Changed_.notify_all();
    Thread_.join();
}

void TScanAhead::ScanBatches() {
    for (;;) {
        std::size_t scanned = 0;
        {
            std::unique_lock lock(Mutex_);
            Changed_.wait(lock, [this] { return Stopping_ || Scanned_ - Returned_ < RingSize; });
            if (Stopping_) return;
            scanned = Scanned_;
        }
        TScannedBatch& batch = Ring_[scanned % RingSize];
        batch.End = Scanner_.Scan(batch.Values.data(), TScannedBatch::Room, batch.Count);
        {
            std::lock_guard lock(Mutex_);
            ++Scanned_;
        }
        Changed_.notify_all();
        if (batch.End == TScanEnd::FailsForGood) return;
    }
}

const TScannedBatch& TScanAhead::Take() {
    std::unique_lock lock(Mutex_);
    Changed_.wait(lock, [this] { return Scanned_ > Taken_; });
    return Ring_[Taken_++ % RingSize];
}

void TScanAhead::GiveBack() {
    {
        std::lock_guard lock(Mutex_);
        ++Returned_;
    }
    Changed_.notify_all();
}
