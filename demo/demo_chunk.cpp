#include "demo/demo_chunk.h"

#include <cstring>

uint32_t read_u32_le(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

void write_u32_le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> encode_chunk(uint32_t previous_length, int32_t step, uint8_t type,
                                  const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out(kChunkHeadSize + payload.size());
  write_u32_le(out.data(), static_cast<uint32_t>(payload.size()) ^ previous_length);
  write_u32_le(out.data() + 4, static_cast<uint32_t>(step));
  out[8] = type;
  if (!payload.empty()) std::memcpy(out.data() + kChunkHeadSize, payload.data(), payload.size());
  return out;
}

ChunkHead decode_chunk_head(const uint8_t* b, uint32_t previous_length) {
  ChunkHead h;
  h.length = read_u32_le(b) ^ previous_length;
  h.step = static_cast<int32_t>(read_u32_le(b + 4));
  h.type = b[8];
  return h;
}

void append_state_entry(std::vector<uint8_t>& payload, const StateEntry& e) {
  size_t at = payload.size();
  payload.resize(at + kStateEntrySize);
  payload[at] = e.rider;
  write_u32_le(payload.data() + at + 1, static_cast<uint32_t>(e.step));
  std::memcpy(payload.data() + at + 5, e.state.data(), kStateRecordSize);
}

StateEntry decode_state_entry(const uint8_t* b) {
  StateEntry e;
  e.rider = b[0];
  e.step = static_cast<int32_t>(read_u32_le(b + 1));
  std::memcpy(e.state.data(), b + 5, kStateRecordSize);
  return e;
}
