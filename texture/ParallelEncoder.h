// Spreads the expensive block fits of one image level over the processors: the calling thread
// walks the level, does the cheap blocks and queues the rest, one worker per further processor
// fits the queued blocks, and the calling thread fits them too whenever the queue is full.
// One process-wide job queue; a job lock lets one multi-threaded encode run at a time, so any
// number of threads may call EncodeDXTImageMT at once (they wait for each other).
#pragma once

#include <cstdint>

#include "texture/Bitmap.h"
#include "texture/ColorSet.h"

namespace pallograph {

// Levels of at most this many blocks are encoded on the calling thread.
inline constexpr int kMinBlocksForWorkers = 100;
inline constexpr int kQueueSlots = 256;

// Same arguments and bytes as EncodeDXTImage with flags DXT1 | IgnoreAlpha; levels of more than
// kMinBlocksForWorkers blocks use the workers when there is more than one processor. Throws
// std::system_error when worker threads cannot be started.
void EncodeDXTImageMT(uint8_t* dst, bool dxt1, int width, TBlockReader reader,
                      const TBitmap& bitmap, int height, bool ignoreAlpha);

// Queue a fit for the running workers; return once the job is stored. The output half must stay
// valid until the workers are stopped.
void QueueColorJob(uint8_t* output, const ColorSet& set);
void QueueAlphaJob(uint8_t* output, const uint8_t* pixels);

// Processors the codec uses: the system's count unless overridden. Setting 0 restores the
// system's count; meant for tests, not to be changed while an encode runs.
unsigned CPUCount();
void OverrideCPUCount(unsigned count);

}  // namespace pallograph
