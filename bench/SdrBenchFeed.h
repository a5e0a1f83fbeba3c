#pragma once
// The whole path on the simulated dongle, as the panel runs it: from a tune
// to the station name arriving through the receiver feed, at the real pace
// of the signal.

// Prints the times at `snrDb` for a few tunes between two stations; at the
// goal's SNR `goalSeconds` is the longest a listener should wait.
void TuneToNameThroughTheFeed(double snrDb, double goalSeconds);
