// Linked into every fuzz target. AddressSanitizer keeps up to 256 MB of freed memory in quarantine
// by default, which alone would take half of the 512 MB the targets may use; a small quarantine
// leaves that room to the input under test, so only a real resource bomb crosses the limit.

extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
