// Aliases, interned names and the loose name comparison used by the input
// layer and the key tables.
#pragma once

// 1 when added, 0 when the name has an alias already or memory ran out.
int tarn_add_alias(const char* name, const char* alias);
// The alias of name, or name itself when it has none.
const char* tarn_alias_of(const char* name);
// The one stored copy of text (equal texts give the same pointer); null
// when memory is exhausted.
const char* tarn_intern(const char* text);
// Case-insensitive, white space and '_' all count as a blank. Returns the
// difference of the first unequal characters, 0 when equal.
int tarn_names_equal(const char* a, const char* b);
