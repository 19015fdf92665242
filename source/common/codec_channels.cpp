// SPDX-License-Identifier: BSD-2-Clause
// The fast-memory window the codec channels share, and the lock around its use.
#include "codec_channels.hpp"

extern "C" {
// Only the PF_CODEC_FAST_MEM_BYTES from PF_CODEC_FAST_MEM_OFFSET on are the channels'; the rest
// is the codec unit library's layout of fast memory, which pelforge keeps but does not use.
uint64_t au64FastMem[PF_CODEC_FAST_MEM_WORDS];
}

namespace pf::codec {

pthread_mutex_t g_window_lock = PTHREAD_MUTEX_INITIALIZER;

}  // namespace pf::codec
