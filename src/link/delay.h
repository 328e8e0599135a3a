#pragma once

class Clock;

// Waits at least `seconds` of wall-clock time while the user interface keeps running. A wait
// that would cross midnight is measured as if it had started at midnight, so it ends early
// rather than hanging. Events are processed at least once, also for zero or negative waits.
// The wait sleeps in a nested event loop between clock readings; it never spins.
void Delay(double seconds, const Clock& clock);
