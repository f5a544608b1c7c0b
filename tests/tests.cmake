# Test registrations, one line per test executable.
