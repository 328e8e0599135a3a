#pragma once

class Clock;

// Waits at least `seconds` of wall-clock time while the user interface keeps running. A wait
// that would cross midnight is measured as if it had started at midnight, so it ends early
// rather than hanging. Events are processed at least once, also for zero or negative waits.
// The wait sleeps in a nested event loop between clock readings; it never spins.
void Delay(double seconds, const Clock& clock);

// The clock reading at which a wait of `seconds` begun at `start` ends, by the midnight rule
// above.
double DelayEnd(double start, double seconds);
