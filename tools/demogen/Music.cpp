#include "DemoGen.h"

#include <algorithm>

namespace demogen {

namespace {

constexpr int kTicksPerQuarter = 96;
constexpr int kEighth = kTicksPerQuarter / 2;

struct Event {
    int tick;
    int order; // at the same tick: tempo and programs first, note-offs before note-ons
    QByteArray bytes;
};

class TrackBuilder {
public:
    void Tempo(int beatsPerMinute) {
        const uint32_t microseconds = 60000000u / static_cast<uint32_t>(beatsPerMinute);
        QByteArray b("\xFF\x51\x03", 3);
        b.append(static_cast<char>((microseconds >> 16) & 0xFF));
        b.append(static_cast<char>((microseconds >> 8) & 0xFF));
        b.append(static_cast<char>(microseconds & 0xFF));
        events_.push_back({0, 0, b});
    }
    void Name(const char* text) {
        QByteArray b("\xFF\x03", 2);
        const QByteArray name(text);
        b.append(static_cast<char>(name.size()));
        b.append(name);
        events_.push_back({0, 0, b});
    }
    void Program(int channel, int program) {
        QByteArray b;
        b.append(static_cast<char>(0xC0 | channel));
        b.append(static_cast<char>(program));
        events_.push_back({0, 1, b});
    }
    void Note(int channel, int tick, int length, int key, int velocity) {
        QByteArray on;
        on.append(static_cast<char>(0x90 | channel));
        on.append(static_cast<char>(key));
        on.append(static_cast<char>(velocity));
        QByteArray off;
        off.append(static_cast<char>(0x80 | channel));
        off.append(static_cast<char>(key));
        off.append(static_cast<char>(64));
        events_.push_back({tick, 3, on});
        events_.push_back({tick + length, 2, off});
    }
    // A line of notes, each given as key (0 = rest) and length in eighths, from a start tick.
    int Line(int channel, int tick, std::initializer_list<std::pair<int, int>> notes,
             int velocity) {
        for (const auto& [key, eighths] : notes) {
            if (key > 0) {
                Note(channel, tick, eighths * kEighth - 4, key, velocity);
            }
            tick += eighths * kEighth;
        }
        return tick;
    }

    QByteArray File() {
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        QByteArray track;
        int last = 0;
        for (const Event& e : events_) {
            PutVarLen(track, static_cast<uint32_t>(e.tick - last));
            track.append(e.bytes);
            last = e.tick;
        }
        PutVarLen(track, 0);
        track.append("\xFF\x2F\x00", 3);

        QByteArray file("MThd", 4);
        PutBE(file, 6, 4);
        PutBE(file, 0, 2); // format 0: one track
        PutBE(file, 1, 2);
        PutBE(file, kTicksPerQuarter, 2);
        file.append("MTrk", 4);
        PutBE(file, static_cast<uint32_t>(track.size()), 4);
        file.append(track);
        return file;
    }

private:
    static void PutBE(QByteArray& out, uint32_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    }
    static void PutVarLen(QByteArray& out, uint32_t value) {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = static_cast<uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        while (count > 1) {
            out.append(static_cast<char>(groups[--count] | 0x80));
        }
        out.append(static_cast<char>(groups[0]));
    }

    std::vector<Event> events_;
};

// Key numbers: middle C is 60.
enum : int {
    D3 = 50,
    E3 = 52,
    F3 = 53,
    G3 = 55,
    A3 = 57,
    B3 = 59,
    C4 = 60,
    D4 = 62,
    E4 = 64,
    F4 = 65,
    G4 = 67,
    A4 = 69,
    Bb4 = 70,
    B4 = 71,
    C5 = 72,
    D5 = 74,
    E5 = 76,
    F5 = 77,
    G5 = 79,
    A5 = 81,
    C2 = 36,
    D2 = 38,
    E2 = 40,
    F2 = 41,
    G2 = 43,
    A2 = 45,
    Bb2 = 46,
    C3 = 48,
};

// A light tune in C major for the forest: flute over a walking bass.
QByteArray ForestSong() {
    TrackBuilder t;
    t.Name("Forest Path");
    t.Tempo(112);
    t.Program(0, 73); // flute
    t.Program(1, 32); // acoustic bass
    int tick = 0;
    for (int pass = 0; pass < 2; ++pass) {
        tick = t.Line(0, tick,
                      {{E5, 2},
                       {G5, 1},
                       {E5, 1},
                       {D5, 2},
                       {C5, 2},
                       {D5, 1},
                       {E5, 1},
                       {G5, 2},
                       {A5, 4},
                       {G5, 2},
                       {E5, 1},
                       {D5, 1},
                       {C5, 2},
                       {A4, 2},
                       {G4, 2},
                       {C5, 2},
                       {D5, 4}},
                      pass == 0 ? 84 : 92);
        tick = t.Line(0, tick,
                      {{E5, 2},
                       {G5, 1},
                       {A5, 1},
                       {G5, 2},
                       {E5, 2},
                       {F5, 2},
                       {E5, 1},
                       {D5, 1},
                       {C5, 2},
                       {A4, 2},
                       {G4, 2},
                       {A4, 1},
                       {C5, 1},
                       {D5, 2},
                       {E5, 2},
                       {C5, 8}},
                      pass == 0 ? 84 : 92);
    }
    int bassTick = 0;
    for (int bar = 0; bar < 16; ++bar) {
        static const int roots[] = {C3, A2, F2, G2, C3, A2, D3, G2, C3, E3, F2, C3, A2, F2, G2, C3};
        const int r = roots[bar];
        bassTick = t.Line(1, bassTick, {{r, 2}, {r + 7, 2}, {r + 12, 2}, {r + 7, 2}}, 70);
    }
    return t.File();
}

// A slow, echoing tune in A minor for caves: vibraphone over a string pad.
QByteArray CaveSong() {
    TrackBuilder t;
    t.Name("Deep Caves");
    t.Tempo(76);
    t.Program(0, 11); // vibraphone
    t.Program(1, 48); // strings
    int tick = t.Line(0, 0,
                      {{A4, 2},
                       {C5, 2},
                       {E5, 4},
                       {D5, 2},
                       {C5, 2},
                       {B4, 4},
                       {A4, 2},
                       {B4, 2},
                       {C5, 2},
                       {E5, 2},
                       {D5, 8},
                       {C5, 2},
                       {B4, 2},
                       {A4, 4},
                       {G4, 2},
                       {A4, 2},
                       {B4, 4},
                       {E4, 4},
                       {A4, 12}},
                      80);
    (void)tick;
    int pad = 0;
    static const int chords[][3] = {{A3, C4, E4}, {F3, A3, C4}, {G3, B3, D4}, {E3, G3, B3},
                                    {A3, C4, E4}, {D3, F3, A3}, {E3, G3, B3}, {A3, C4, E4}};
    for (const auto& chord : chords) {
        for (int key : chord) {
            t.Note(1, pad, 8 * kEighth - 8, key, 52);
        }
        pad += 8 * kEighth;
    }
    return t.File();
}

// A driving boss theme in D minor: lead, eighth-note bass and drums.
QByteArray BossSong() {
    TrackBuilder t;
    t.Name("The Warlord");
    t.Tempo(152);
    t.Program(0, 30); // overdriven lead
    t.Program(1, 38); // synth bass
    int tick = 0;
    for (int pass = 0; pass < 2; ++pass) {
        tick = t.Line(0, tick,
                      {{D5, 3}, {F5, 1}, {E5, 2}, {D5, 2},  {A4, 4}, {0, 2},  {A4, 1}, {Bb4, 1},
                       {C5, 3}, {D5, 1}, {C5, 2}, {Bb4, 2}, {A4, 6}, {0, 2},  {D5, 3}, {F5, 1},
                       {G5, 2}, {F5, 2}, {E5, 2}, {C5, 2},  {D5, 4}, {F5, 2}, {E5, 2}, {D5, 12}},
                      pass == 0 ? 96 : 110);
    }
    static const int roots[] = {D2, D2, Bb2, Bb2, C3, C3, A2, A2};
    int bass = 0;
    for (int round = 0; round < 2; ++round) {
        for (int root : roots) {
            for (int i = 0; i < 4; ++i) {
                bass = t.Line(1, bass, {{root, 1}, {root + 12, 1}}, 88);
            }
        }
    }
    const int bars = 16;
    for (int bar = 0; bar < bars; ++bar) {
        const int start = bar * 8 * kEighth;
        for (int beat = 0; beat < 4; ++beat) {
            const int at = start + beat * kTicksPerQuarter;
            t.Note(9, at, kEighth / 2, beat % 2 == 0 ? 36 : 38, beat % 2 == 0 ? 100 : 90);
            t.Note(9, at, kEighth / 2, 42, 60);
            t.Note(9, at + kEighth, kEighth / 2, 42, 45);
        }
    }
    return t.File();
}

} // namespace

std::vector<Song> DemoSongs() {
    return {{"forest.mid", ForestSong()}, {"caves.mid", CaveSong()}, {"boss.mid", BossSong()}};
}

} // namespace demogen
