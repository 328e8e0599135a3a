#pragma once

#include <functional>

class Clock;

// Waits at least `seconds` of wall-clock time while the user interface keeps running. A wait
// that would cross midnight is measured as if it had started at midnight, so it ends early
// rather than hanging; a clock reading below the start (midnight passed) ends it too. `stop`,
// when given, ends it at once when it turns true. Events are processed at least once, also for
// zero or negative waits. The wait sleeps in a nested event loop between clock readings; it
// never spins.
void Delay(double seconds, const Clock& clock, const std::function<bool()>& stop = {});

// The clock reading at which a wait of `seconds` begun at `start` ends, by the midnight rule
// above.
double DelayEnd(double start, double seconds);

// Whether a wait of `seconds` begun at the clock reading `start` is over at the reading `now`:
// at its end, or once the clock reads below its start.
bool WaitOver(double start, double seconds, double now);

// Seconds from the clock reading `start` to `now`, across midnight when `now` is below it.
double SecondsSince(double start, double now);
