#pragma once
// tunzo-card's commands that listen to the receiver's feed: what it says by
// RDS, a recording of what it plays, and the names a scan waits for. They
// work for every adapter whose feed delivers them.

#include <ostream>
#include <string>
#include <vector>

// `rds` lasts this long unless told otherwise.
inline constexpr double DefaultRdsSeconds = 10.0;
// The longest a command may listen or record: a day.
inline constexpr double MaxListenSeconds = 86400.0;
// A scan with names waits this long at a station for its name, and gives
// up sooner when no programme identification has come by the second wait:
// a station that sends RDS sends its PI in every group, ten times a second.
inline constexpr int NameWaitMs = 3000;
inline constexpr int PiWaitMs = 1000;

// What the command line asks of the feed.
struct FeedRequest {
    std::string verb;  // "rds", "record", or "scan" with names
    double seconds = DefaultRdsSeconds;
    std::string file;
    bool names = false;  // scan --names
};
// The commands above and "scan --names", as opposed to the card commands.
bool IsFeedCommand(const std::vector<std::string>& command);
// False with what is wrong with the words.
bool ParseFeedCommand(const std::vector<std::string>& command, FeedRequest& request, std::string& problem);
// Runs "rds" or "record"; the exit code.
int RunFeedCommand(const FeedRequest& request, std::ostream& out, std::ostream& err);

// Prints each change of what the station says, one line per field, for
// `seconds`. Exit 0; 1 when the receiver fails; 2 when it has no RDS.
int RdsCommand(double seconds, std::ostream& out, std::ostream& err);

// Records `seconds` of what the radio plays into `file` (FLAC, Ogg Vorbis
// or WAV by its extension; an existing file is never overwritten). Exit 0;
// 1 when the file or the receiver fails; 2 when the receiver gives no sound
// as samples and "Audio input" is not set.
int RecordCommand(double seconds, const std::string& file, std::ostream& out, std::ostream& err);

// While one lives, a scan prints each station's RDS name beside it
// (StationNameSuffix). A card without RDS gets a word on `err` and no waits.
class StationNameWatch {
public:
    explicit StationNameWatch(std::ostream& err);
    ~StationNameWatch();
    StationNameWatch(const StationNameWatch&) = delete;
    StationNameWatch& operator=(const StationNameWatch&) = delete;
};

// "  TEN FM" once the station just tuned has sent its name (waiting at most
// NameWaitMs); empty without a watch, or when no name came.
std::string StationNameSuffix();
