// What the media player shows the desktop, and what its commands reach,
// without a bus: the station's title and track, the signals of real changes
// only, the volume steps, and the icon found beside an installed program.

#include "MediaPlayerService.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct Recorder {
    std::string calls;
    std::function<void()> duringNext;
    MediaPlayerHooks Hooks()
    {
        MediaPlayerHooks hooks;
        hooks.play = [this] { calls += "play "; };
        hooks.pause = [this] { calls += "pause "; };
        hooks.volumeUp = [this] { calls += "up "; };
        hooks.volumeDown = [this] { calls += "down "; };
        return hooks;
    }
    // With Next, which lets events run as a tune does.
    MediaPlayerHooks HooksWithNext()
    {
        MediaPlayerHooks hooks = Hooks();
        hooks.next = [this] {
            calls += "next ";
            if (duringNext)
                duringNext();
            QCoreApplication::processEvents();
        };
        return hooks;
    }
};

MediaStation Station(const char* name, const char* text, double mhz) { return {name, text, mhz, {}}; }

}  // namespace

TEST(MediaPlayerTest, MetadataNamesTheStationAndItsTrack)
{
    MediaPlayerService withArt({}, "file:///usr/share/icons/hicolor/128x128/apps/tunzo.png");
    // Before any station: MPRIS's "no track", nothing else.
    EXPECT_EQ(withArt.Metadata().keys(), QStringList{"mpris:trackid"});
    EXPECT_EQ(withArt.Metadata()["mpris:trackid"].value<QDBusObjectPath>().path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");

    withArt.ShowStation(Station("Ten FM", "98.6", 98.6));
    QVariantMap m = withArt.Metadata();
    EXPECT_EQ(m["xesam:title"].toString(), "Ten FM 98.6 MHz");
    EXPECT_EQ(m["mpris:trackid"].value<QDBusObjectPath>().path(), "/org/velmar/tunzo/station/98600");
    EXPECT_EQ(m["mpris:artUrl"].toString(), "file:///usr/share/icons/hicolor/128x128/apps/tunzo.png");

    // A cleared preset's blank name is no name; the locale's separator stays.
    MediaPlayerService noArt({});
    noArt.ShowStation(Station(" ", "103,35", 103.35));
    m = noArt.Metadata();
    EXPECT_EQ(m["xesam:title"].toString(), "103,35 MHz");
    EXPECT_EQ(m["mpris:trackid"].value<QDBusObjectPath>().path(), "/org/velmar/tunzo/station/103350");
    EXPECT_FALSE(m.contains("mpris:artUrl"));
}

TEST(MediaPlayerTest, TheRadioTextGivesArtistAndTitleAsRadioPlayersSplitThem)
{
    const struct {
        const char* text;
        const char* title;
        const char* artist;  // "" for none
        const char* album;   // "" for none
    } rows[] = {
        {"", "TEN FM 94.2 MHz", "", ""},
        {"Miles Davis - Blue in Green", "Blue in Green", "Miles Davis", "TEN FM 94.2 MHz"},
        {"  Nina Simone  -  Feeling Good - Live ", "Feeling Good - Live", "Nina Simone", "TEN FM 94.2 MHz"},
        {"News at ten", "TEN FM 94.2 MHz", "News at ten", ""},
        {"- Untitled", "TEN FM 94.2 MHz", "- Untitled", ""},  // one side empty: not a pair
        {"Rock-a-billy hour", "TEN FM 94.2 MHz", "Rock-a-billy hour", ""},
    };
    for (const auto& r : rows) {
        MediaPlayerService service({});
        MediaStation station = Station("TEN FM", "94.2", 94.2);
        station.radioText = r.text;
        service.ShowStation(station);
        const QVariantMap m = service.Metadata();
        EXPECT_EQ(m["xesam:title"].toString(), r.title) << r.text;
        EXPECT_EQ(m["xesam:artist"].toStringList(), *r.artist ? QStringList{r.artist} : QStringList{}) << r.text;
        EXPECT_EQ(m["xesam:album"].toString(), r.album) << r.text;
    }
    // A new text is a change the desktop is told of.
    MediaPlayerService service({});
    QSignalSpy changes(&service, &MediaPlayerService::propertiesChanged);
    MediaStation station = Station("TEN FM", "94.2", 94.2);
    service.ShowStation(station);
    station.radioText = "Miles Davis - So What";
    service.ShowStation(station);
    EXPECT_EQ(changes.size(), 2);
}

TEST(MediaPlayerTest, OnlyRealChangesAreSignalled)
{
    MediaPlayerService service({});
    QSignalSpy changes(&service, &MediaPlayerService::propertiesChanged);
    service.ShowPlaying(true);
    service.ShowPlaying(true);
    service.ShowStation(Station("Ten FM", "98.6", 98.6));
    service.ShowStation(Station("Ten FM", "98.6", 98.6));
    service.ShowPlaying(false);
    service.ShowStation(Station("Jazz", "98.6", 98.6));  // renamed: a change too
    ASSERT_EQ(changes.size(), 4);
    EXPECT_EQ(changes[0][0].toString(), "org.mpris.MediaPlayer2.Player");
    EXPECT_EQ(changes[0][1].toMap(), (QVariantMap{{"PlaybackStatus", "Playing"}}));
    EXPECT_EQ(changes[1][1].toMap()["Metadata"].toMap()["xesam:title"].toString(), "Ten FM 98.6 MHz");
    EXPECT_EQ(changes[2][1].toMap(), (QVariantMap{{"PlaybackStatus", "Paused"}}));
    EXPECT_EQ(changes[3][1].toMap()["Metadata"].toMap()["xesam:title"].toString(), "Jazz 98.6 MHz");
    EXPECT_EQ(service.PlaybackStatus(), "Paused");
}

TEST(MediaPlayerTest, CommandsReachTheOwnerFromTheEventLoop)
{
    Recorder owner;
    MediaPlayerService service(owner.Hooks());
    service.PlayPause();  // paused: plays
    service.SetVolume(VolumeMidpoint + 0.1);
    service.SetVolume(VolumeMidpoint - 0.3);
    service.SetVolume(VolumeMidpoint);  // no step
    service.Next();                     // no hook: nothing
    // The bus call is answered before the owner acts.
    EXPECT_EQ(owner.calls, "");
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.calls, "play up down ");

    owner.calls.clear();
    service.ShowPlaying(true);
    service.PlayPause();
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.calls, "pause ");
}

TEST(MediaPlayerTest, AFloodOfCallsRunsOnlyTheLatestOfEachAndNothingAfterClose)
{
    using Calls = std::function<void(MediaPlayerService&)>;
    struct Row {
        const char* what;
        Calls calls;
        std::string ran;
    };
    const Row rows[] = {
        {"5000 Next", [](MediaPlayerService& s) { for (int i = 0; i < 5000; ++i) s.Next(); }, "next "},
        {"Pause Play Pause: the last word counts",
         [](MediaPlayerService& s) {
             s.Pause();
             s.Play();
             s.Pause();
         },
         "play pause "},
        {"PlayPause toggles what the waiting commands leave",
         [](MediaPlayerService& s) {
             s.Pause();
             s.PlayPause();  // paused once the pause has run: plays
         },
         "pause play "},
        {"volume steps each way",
         [](MediaPlayerService& s) {
             for (int i = 0; i < 100; ++i)
                 s.SetVolume(1.0);
             s.SetVolume(0.0);
         },
         "up down "},
        {"closed: nothing waiting runs, nothing new is taken",
         [](MediaPlayerService& s) {
             s.Next();
             s.Close();
             s.Play();
         },
         ""},
    };
    for (const Row& row : rows) {
        Recorder owner;
        MediaPlayerService service(owner.HooksWithNext());
        row.calls(service);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(owner.calls, row.ran) << row.what;
    }

    // Calls that come while a hook lets events run wait for it, one of each,
    // and a close that comes then (the session ends) stops the rest.
    Recorder owner;
    MediaPlayerService service(owner.HooksWithNext());
    int nextRuns = 0;
    owner.duringNext = [&] {
        if (++nextRuns > 1)
            return;
        for (int i = 0; i < 5000; ++i) {
            service.Next();
            service.SetVolume(1.0);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(owner.calls, "next ") << "a command ran inside another";
    };
    service.Next();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(owner.calls, "next next up ");

    owner.calls.clear();
    owner.duringNext = [&] { service.Close(); };
    service.Next();
    service.SetVolume(1.0);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(owner.calls, "next ");
}

TEST(MediaPlayerTest, TheIconBesideTheInstalledProgramIsTheArt)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.path() + "/bin";
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(FindInstalledIconUrl(bin, "tunzo-no-such-icon"), "");

    // The largest size installed wins.
    for (const char* size : {"48x48", "64x64"}) {
        const QString folder = prefix.path() + "/share/icons/hicolor/" + size + "/apps";
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile icon(folder + "/tunzo-test.png");
        ASSERT_TRUE(icon.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(FindInstalledIconUrl(bin, "tunzo-test"),
              "file://" + prefix.path() + "/share/icons/hicolor/64x64/apps/tunzo-test.png");
}
