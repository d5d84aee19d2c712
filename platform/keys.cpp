// The key ring. The window's thread puts keys in, the plotter's thread takes them out.
#include "platform/keys.h"

#include <array>
#include <mutex>

#include "platform/errors.h"
#include "platform/lifecycle.h"

namespace {
constexpr int slot_count = 16;  // one slot stays free: a full ring holds 15 keys

struct Slot {
  uint8_t first;   // the character, or 0 for an extended key
  uint8_t second;  // the scan code of an extended key
};

std::mutex ring_mutex;
std::array<Slot, slot_count> ring{};
int head = 0;  // the oldest key
int tail = 0;  // where the next key goes

void push(Slot slot) {
  // A key that comes while Pause is on ends the Pause and is not queued.
  if (pause_is_on()) {
    end_pause();
    return;
  }
  std::lock_guard lock(ring_mutex);
  const int next = (tail + 1) % slot_count;
  if (next == head) return;  // 15 waiting: the key is dropped
  ring[tail] = slot;
  tail = next;
}
}  // namespace

Text take_waiting_key() {
  std::lock_guard lock(ring_mutex);
  if (head == tail) return {};
  const Slot slot = ring[head];
  head = (head + 1) % slot_count;
  if (slot.first != 0) return Text(1, static_cast<char>(slot.first));
  return Text{'\0', static_cast<char>(slot.second)};
}

Text read_key() {
  if (error_pending()) return {};
  return take_waiting_key();
}

void push_character_key(uint8_t code) { push(Slot{code, 0}); }
void push_extended_key(uint8_t scan_code) { push(Slot{0, scan_code}); }

void drop_waiting_keys() {
  std::lock_guard lock(ring_mutex);
  head = tail;
}

int waiting_key_count() {
  std::lock_guard lock(ring_mutex);
  return (tail - head + slot_count) % slot_count;
}

void reset_keys() {
  drop_waiting_keys();
}
