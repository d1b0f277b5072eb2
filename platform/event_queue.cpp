#include "platform/event_queue.h"

#include <deque>

namespace {
std::deque<InputEvent>& queue() {
  static std::deque<InputEvent> q;
  return q;
}
}  // namespace

bool queue_event(const InputEvent& event) {
  auto& q = queue();
  if (q.size() >= kEventQueueSize) return false;
  auto at = q.end();
  while (at != q.begin() && (at - 1)->time > event.time) --at;
  q.insert(at, event);
  return true;
}

bool next_event(InputEvent* out) {
  auto& q = queue();
  if (q.empty()) return false;
  *out = q.front();
  q.pop_front();
  return true;
}

bool next_event_until(double moment, InputEvent* out) {
  auto& q = queue();
  if (q.empty() || q.front().time > moment) return false;
  return next_event(out);
}

void clear_events() { queue().clear(); }
