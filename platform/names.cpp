// Aliases and interned names. Both lists only grow and live for the
// program's life, so the returned pointers stay valid.
#include "platform/names.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/log.h"

namespace {

struct Alias {
  Alias* next;
  const char* name;
  const char* alias;
};

struct Interned {
  Interned* next;
  char text[1];
};

Alias* g_aliases = nullptr;
Interned* g_interned = nullptr;

char* copy_into(char* at, const char* text, size_t len) {
  std::memcpy(at, text, len + 1);
  return at;
}

}  // namespace

int tarn_add_alias(const char* name, const char* alias) {
  for (Alias* a = g_aliases; a; a = a->next) {
    if (std::strcmp(a->name, name) == 0) {
      tarn_log("Second alias for '%s' ('%s') ignored\n", name, alias);
      return 0;
    }
  }
  size_t nl = std::strlen(name), al = std::strlen(alias);
  // One block holds the entry and both texts.
  char* block = static_cast<char*>(std::malloc(sizeof(Alias) + nl + 1 + al + 1));
  if (!block) {
    tarn_log("Can't alias %s to %s -- out of memory\n", name, alias);
    return 0;
  }
  Alias* entry = reinterpret_cast<Alias*>(block);
  char* texts = block + sizeof(Alias);
  entry->name = copy_into(texts, name, nl);
  entry->alias = copy_into(texts + nl + 1, alias, al);
  entry->next = g_aliases;
  g_aliases = entry;
  return 1;
}

const char* tarn_alias_of(const char* name) {
  for (Alias* a = g_aliases; a; a = a->next)
    if (std::strcmp(a->name, name) == 0) return a->alias;
  return name;
}

const char* tarn_intern(const char* text) {
  Interned** link = &g_interned;
  while (*link) {
    int c = std::strcmp((*link)->text, text);
    if (c == 0) return (*link)->text;
    if (c > 0) break;
    link = &(*link)->next;
  }
  size_t len = std::strlen(text);
  Interned* entry = static_cast<Interned*>(std::malloc(sizeof(Interned) + len));
  if (!entry) return nullptr;
  std::memcpy(entry->text, text, len + 1);
  entry->next = *link;
  *link = entry;
  return entry->text;
}

int tarn_names_equal(const char* a, const char* b) {
  auto fold = [](unsigned char c) -> int {
    if (std::isspace(c) || c == '_') return ' ';
    return std::tolower(c);
  };
  for (;; ++a, ++b) {
    int ca = fold(static_cast<unsigned char>(*a));
    int cb = fold(static_cast<unsigned char>(*b));
    if (ca != cb || ca == 0) return ca - cb;
  }
}
