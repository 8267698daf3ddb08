#pragma once
// The wizard's choice of gain search, "Szybkie szukanie" on its "Opcje" tab: kept in the settings
// store (section [wizard], fast_search), as the reference standard is, for every later search.
// Off (the bisection) when the store holds nothing.

bool ReadFastSearch();
bool WriteFastSearch(bool on);  // false: the store is not writable
