// The chunks of a version 6 demo stream: a 9-byte head (the payload length
// XOR the previous chunk's, the step it was written at, the type) and the
// payload. Chaining the lengths lets a reader walk the file both ways.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "demo/state_record.h"
#include "platform/units.h"

constexpr int kChunkHeadSize = 9;
constexpr int kStateEntrySize = 1 + 4 + kStateRecordSize;  // rider index, step, record
enum ChunkType : uint8_t { kStatesChunk = 1, kTextChunk = 2 };
// The most one states chunk can carry: every slot's whole ring. Anything
// longer is damage.
constexpr uint32_t kMaxChunkPayload = kSlotCount * 128 * kStateEntrySize;
// Text chunks show at most this many characters.
constexpr int kMaxChunkText = 1023;

struct ChunkHead {
  uint32_t length = 0;  // the payload length, the chain undone
  int32_t step = 0;
  uint8_t type = 0;
};

struct StateEntry {
  uint8_t rider = 0;
  int32_t step = 0;
  StateBytes state{};
};

// A whole chunk, head and payload, as one buffer.
std::vector<uint8_t> encode_chunk(uint32_t previous_length, int32_t step, uint8_t type,
                                  const std::vector<uint8_t>& payload);
// The head from its 9 bytes, given the previous payload length.
ChunkHead decode_chunk_head(const uint8_t* bytes, uint32_t previous_length);

void append_state_entry(std::vector<uint8_t>& payload, const StateEntry& e);
StateEntry decode_state_entry(const uint8_t* bytes);

uint32_t read_u32_le(const uint8_t* p);
void write_u32_le(uint8_t* p, uint32_t v);
