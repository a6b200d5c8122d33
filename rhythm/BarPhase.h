#pragma once
// The bar phase: which of the first eight grid positions starts a bar.

#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// Votes for a grid slot at every strong rise of `conditioned` (the detector envelope after the
// peak-hold decay, with the final tempo set, so that it knows its entries per bar and its bar
// level): a rise counts when the entry a thirty-second of a bar ahead exceeds the loudest entry
// of the half bar before by more than 0.4 × the bar level and by more than twice that loudest
// entry; after each vote the next half bar is skipped. When `thumbnail` (the same envelope
// unconditioned) has a decimation, each slot's votes are weighed by its normalised loudness
// over the grid's whole bars and the largest product wins; otherwise (or when every product is
// 0) the slot with the most votes wins, the earliest on a tie, slot 0 without votes. Appends the
// grid position of the winning slot to the grid's secondary array when the grid has that many
// points. Returns false, changing nothing, only when the grid has 0 subdivisions per bar.
bool FindBarPhase(const CPfPcmThumbnail& thumbnail, const CPfPcmThumbnail& conditioned,
                  CPfPositionList& grid);
