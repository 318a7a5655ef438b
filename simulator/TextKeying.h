#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velorix::sim {

// Keying schedules of the text modes, as one flag per time unit, repeating
// forever: the signal generator walks them by elapsed time.
namespace text_keying {

// Whether a character can be sent in Morse (letters, digits, common punctuation, space).
bool MorseCanSend(char c);
// One entry per dot unit: 1 key down. Dot 1, dash 3, element gap 1, letter gap 3,
// word gap 7, and a word gap before the text repeats. Lower case is sent as upper.
std::vector<uint8_t> MorseUnits(const std::string& text);

// Whether a character exists in the ITA2 (Baudot) letters or figures set.
bool BaudotCanSend(char c);
// ITA2 code of a character (bit 0 sent first) and whether it needs the figures shift.
bool BaudotCode(char c, uint8_t& code, bool& figures);
// One entry per half bit: 1 mark, 0 space. Each character: start bit (space,
// 2 halves), five data bits (bit 0 first, 2 halves each), 1.5 stop bits (mark, 3
// halves). Starts in letters, inserts the shifts, and ends each repetition with
// carriage return and line feed.
std::vector<uint8_t> BaudotHalfBits(const std::string& text);

}  // namespace text_keying
}  // namespace velorix::sim
