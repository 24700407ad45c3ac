#include "ScanAhead.h"

TScanAhead::TScanAhead(TNumberScanner& scanner)
    : Scanner_(scanner), Thread_([this] { ScanBatches(); }) {}

TScanAhead::~TScanAhead() {
    Stopping_ = true;
    Free_.release();  // a thread waiting for a free batch wakes, and ends
    Thread_.join();
}

void TScanAhead::ScanBatches() {
    for (std::size_t scanned = 0;; ++scanned) {
        Free_.acquire();
        if (Stopping_) return;
        TScannedBatch& batch = Ring_[scanned % RingSize];
        batch.End = Scanner_.Scan(batch.Values.data(), TScannedBatch::Room, batch.Count);
        Scanned_.release();
        if (batch.End == TScanEnd::FailsForGood) return;
    }
}

const TScannedBatch& TScanAhead::Take() {
    Scanned_.acquire();
    return Ring_[Taken_++ % RingSize];
}

void TScanAhead::GiveBack() {
    Free_.release();
}
