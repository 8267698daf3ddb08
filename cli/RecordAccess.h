#pragma once
// The record store as fluxa-cli's record commands open it (History.cpp).
#include "store/RecordStore.h"

// The local file, and the lab's server when the settings name one. Tells on standard error a
// server that cannot be reached, a bench id the server gives to another installation
// (benchTaken) and every record in conflict with the server's; false (told) when the local
// file cannot be opened.
bool OpenRecordStore(RecordStore& store, bool* benchTaken);
