// The card tool's help text, in a room of its own: it grows with every
// receiver the tool learns to drive.
#include "CardTool.h"

#include "AdapterCatalogue.h"

std::string CardToolUsage()
{
    return "usage: tunzo-card [--adapter N] [--port ADDRESS | --device PATH] COMMAND\n"
           "  Without options the card of the settings store is driven, as the panel does.\n"
           "  --adapter N      1 Aims Labs RadioTrack (default), 2 Reveal RA300, 3 SF16-FMP,\n"
           "                   4 Aztech/Packard-Bell/Comp-Express, 5 GemTek, 6 RadioActive,\n"
           "                   7 V4L2 radio device (a USB FM stick or a kernel radio driver),\n"
           "                   8 RTL-SDR receiver (an RTL2832U dongle)\n"
           "  --port ADDRESS   the card's I/O port, one of " +
           CataloguePortsText() +
           "\n"
           "                   (the GemTek: COM port 1 or 2; with --adapter alone: that adapter's default)\n"
           "  --device PATH    the V4L2 receiver's node (adapter 7), default \"Radio device\" or /dev/radio0;\n"
           "                   for adapter 8 the dongle's index, default \"SDR device\" or 0\n"
           "commands:\n"
           "  tune MHZ         tune to MHZ, like 100.0, and switch the sound on\n"
           "  mute, unmute     switch the sound off or on\n"
           "  up, down         one volume step\n"
           "  status           print: not tuned, tuned or tuned stereo\n"
           "  scan             step the band by 0.1 MHz and print each frequency with a station\n"
           "                   (a V4L2 receiver that seeks by itself: one hardware seek after another)\n"
           "  scan --names     the same, waiting at each station (at most 3 s) for its RDS name,\n"
           "                   printed beside the frequency\n"
           "  rds [SECONDS]    print what the station sends by RDS, one line per change (PI, PS, RT,\n"
           "                   PTY, TP/TA, CT, AF), for SECONDS (default 10); exit 2 without RDS\n"
           "  record SECONDS FILE\n"
           "                   record SECONDS of what the radio plays into FILE (.flac, .ogg or .wav;\n"
           "                   never overwritten): a stick's or dongle's own sound, else \"Audio input\";\n"
           "                   exit 2 when there is neither\n"
           "  seek up|down     V4L2 receiver or SDR dongle: search to the next station and print it; exit 1 if none\n"
           "  list             print the V4L2 radio receivers present: node, name, driver, bus\n"
           "                   (with --adapter 8: the SDR dongles, by index, name and serial)\n"
           "  (the GemTek only listens: it has no status and no scan)\n"
           "station lists (given first, without options; no card is touched):\n"
           "  presets export FILE  write the stored presets to FILE as CSV: a header line\n"
           "                   \"number,frequency,name,in scan\", then one line per preset, like\n"
           "                   7,94.2,Jazz FM,yes (frequency in MHz; in scan: yes or no; UTF-8)\n"
           "  presets import FILE  make the presets what FILE lists (a slot it leaves out is\n"
           "                   emptied) and print each change; a bad line is named with its\n"
           "                   number, and then nothing is written (exit 1)\n"
           "                   (a FILE of - is standard output or input)\n";
}
