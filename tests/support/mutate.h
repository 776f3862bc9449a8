// Damaged copies of a saved document, for playing hostile files: bit flips,
// truncation, extreme counts and lengths (in the header too, with its
// checksum made to match so the damage gets past the first check), and
// streams overwritten with noise. The same seed gives the same copy.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The offsets of the records in a saved document file (the header, its
// objects, each page and its objects, the trailer), walked from its trailer.
std::vector<size_t> DocumentRecords(const std::vector<uint8_t> &file);

// A damaged copy of `file`; `what` says what was done to it.
std::vector<uint8_t> MutateDocument(const std::vector<uint8_t> &file, const std::vector<size_t> &records,
                                    uint32_t seed, std::string *what);

// A damaged copy of any bytes laid out in records that start at `records`
// (the first at 0): bit flips, extreme values in fields, noise and bytes cut
// or lost, mostly near a record's start, where counts and sizes are.
std::vector<uint8_t> MutateRecords(const std::vector<uint8_t> &bytes, const std::vector<size_t> &records,
                                   uint32_t seed, std::string *what);

// A document that embeds fonts and carries an object of every kind that
// loads without outside files, for damaging. 1 on success.
int WriteHostileBase(const char *path, bool fonts);
