// Writes a small character template with our own SWF writer: a figure whose head sprite holds the
// instances "mouth" and "eyes", and labelled clips of two poses whose last frames differ visibly
// (arms, head tilt), plus one hookup clip. Usage: swf_make_character_template OUTPUT.swf
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "swf/flash_actions.h"
#include "swf/flash_display.h"
#include "swf/flash_movie.h"
#include "swf/flash_sprite.h"
#include "swf/flash_stream.h"
#include "swf/swf_shape_builder.h"

namespace {

enum : uint16_t { kLegs = 1, kBody, kArm, kFace, kEyesShape, kMouthShape, kEyes = 20, kMouth, kHead };
constexpr int kCentreX = 1775;  // stage 3550 x 4000 twips
constexpr int kShoulderY = 1650;
constexpr int kNeckY = 1550;

const FlashRGBA kSkin(240, 200, 160);
const FlashRGBA kInk(40, 30, 30);

// One picture of the figure: arm angles (0 hangs down; the left arm raises with positive angles,
// the right with negative ones), head tilt in degrees and head drop in twips.
struct posture {
    double left = 10, right = -10, tilt = 0;
    int drop = 0;
};

FlashMatrix Rotated(double degrees, int x, int y) {
    const double a = degrees * std::acos(-1.0) / 180;
    FlashMatrix m;
    m.hasScale = m.hasRotate = 1;
    m.xScale = m.yScale = FlashFixed(std::cos(a));
    m.rotateSkew0 = FlashFixed(std::sin(a));
    m.rotateSkew1 = FlashFixed(-std::sin(a));
    m.translateX = x;
    m.translateY = y;
    return m;
}

FDisplayRecord Placed(uint16_t id, int depth, const FlashMatrix& m, const char* name = "") {
    FDisplayRecord r;
    r.flags = kDisplayHasCharacter;
    r.characterId = id;
    r.depth = depth;
    r.matrix = m;
    r.name = name;
    return r;
}

FlashTagSprite Sprite(uint16_t id, const std::vector<FDisplayRecord>& records) {
    FlashTagSprite s;
    s.SetID(id);
    s.frameCount = 1;
    s.timeline.frameCount = 1;
    for (const auto& r : records) s.timeline.AddRecord(r, 0);
    return s;
}

void AddCharacters(FSWFMovie& movie) {
    {
        swf_shape_builder b(kLegs);
        int cloth = b.AddSolidFill(FlashRGBA(50, 60, 120));
        int shoe = b.AddSolidFill(kInk);
        for (int side : {-1, 1}) {
            const int x = kCentreX + side * 230;
            b.Polygon({{x - 150, 2750}, {x + 150, 2750}, {x + 140, 3750}, {x - 140, 3750}}, cloth);
            b.Ellipse({x + side * 60, 3800}, 210, 90, shoe);
        }
        movie.AddCharacter(b.Take());
    }
    {
        swf_shape_builder b(kBody);
        int shirt = b.AddGradientFill(false, {kCentreX, 1550}, {kCentreX, 2800},
                                      {{0, FlashRGBA(230, 90, 60)}, {255, FlashRGBA(150, 40, 40)}});
        int line = b.AddLineStyle(30, kInk);
        b.Polygon({{kCentreX - 480, 1580}, {kCentreX + 480, 1580}, {kCentreX + 420, 2800}, {kCentreX - 420, 2800}},
                  shirt, 0, line);
        movie.AddCharacter(b.Take());
    }
    {
        swf_shape_builder b(kArm);  // the shoulder at the origin, hanging down
        int sleeve = b.AddSolidFill(FlashRGBA(200, 70, 50));
        int skin = b.AddSolidFill(kSkin);
        int line = b.AddLineStyle(20, kInk);
        b.Polygon({{-110, -60}, {110, -60}, {95, 1000}, {-95, 1000}}, sleeve, 0, line);
        b.Ellipse({0, 1080}, 120, 120, skin, line);
        movie.AddCharacter(b.Take());
    }
    {
        swf_shape_builder b(kFace);  // the neck at the origin
        int skin = b.AddSolidFill(kSkin);
        int hair = b.AddSolidFill(FlashRGBA(90, 50, 20));
        int line = b.AddLineStyle(25, kInk);
        b.Polygon({{-90, -200}, {90, -200}, {90, 0}, {-90, 0}}, skin);
        b.Ellipse({0, -560}, 380, 430, skin, line);
        b.Polygon({{-390, -600}, {-300, -900}, {0, -1010}, {300, -900}, {390, -600}, {200, -800}, {-200, -800}}, hair);
        movie.AddCharacter(b.Take());
    }
    {
        swf_shape_builder b(kEyesShape);
        int white = b.AddSolidFill(FlashRGBA(255, 255, 255));
        int pupil = b.AddSolidFill(kInk);
        for (int side : {-1, 1}) {
            b.Ellipse({side * 150, 0}, 85, 65, white);
            b.Ellipse({side * 150, 5}, 38, 38, pupil);
        }
        movie.AddCharacter(b.Take());
    }
    {
        swf_shape_builder b(kMouthShape);
        int lips = b.AddSolidFill(FlashRGBA(170, 40, 50));
        b.Ellipse({0, 0}, 140, 45, lips);
        movie.AddCharacter(b.Take());
    }
    movie.AddCharacter(Sprite(kEyes, {Placed(kEyesShape, 1, FlashMatrix())}));
    movie.AddCharacter(Sprite(kMouth, {Placed(kMouthShape, 1, FlashMatrix())}));
    FlashMatrix eyes, mouth;
    eyes.translateY = -600;
    mouth.translateY = -330;
    movie.AddCharacter(Sprite(kHead, {Placed(kFace, 1, FlashMatrix()), Placed(kEyes, 2, eyes, "eyes"),
                                      Placed(kMouth, 3, mouth, "mouth")}));
}

void AddFrame(FTimeline& main, int frame, const posture& p) {
    FlashMatrix none;
    main.AddRecord(Placed(kLegs, 1, none), frame);
    main.AddRecord(Placed(kArm, 2, Rotated(p.left, kCentreX - 470, kShoulderY)), frame);
    main.AddRecord(Placed(kArm, 3, Rotated(p.right, kCentreX + 470, kShoulderY)), frame);
    main.AddRecord(Placed(kBody, 4, none), frame);
    main.AddRecord(Placed(kHead, 5, Rotated(p.tilt, kCentreX, kNeckY + p.drop), "head"), frame);
}

// Frames moving from one posture to another, the last one exactly at `to`.
std::vector<posture> Move(const posture& from, const posture& to, int frames) {
    std::vector<posture> out;
    for (int i = 1; i <= frames; ++i) {
        const double t = double(i) / frames;
        out.push_back({from.left + (to.left - from.left) * t, from.right + (to.right - from.right) * t,
                       from.tilt + (to.tilt - from.tilt) * t, static_cast<int>(from.drop + (to.drop - from.drop) * t)});
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.swf\n", argv[0]);
        return 2;
    }
    FSWFMovie movie;
    AddCharacters(movie);

    const posture idle{10, -10, 0, 0};
    const posture talk{35, -35, -4, 0};
    struct clip {
        const char* label;
        std::vector<posture> frames;
    };
    std::vector<clip> clips = {
        {"G(idle)", {idle, {12, -12, 1, 0}, {14, -14, 2, 0}, {12, -12, 1, 0}}},
        {"G(idle, wave, 1000, 3000)", Move(idle, {10, -150, 6, 0}, 6)},
        {"G(idle, shrug)", Move(idle, {75, -75, 0, 80}, 5)},
        {"G(idle, nod)", Move(idle, {8, -8, 0, 160}, 4)},
        {"G(talk)", Move(idle, talk, 4)},
        {"G(talk, point)", Move(talk, {30, -95, -12, 0}, 5)},
        {"H(idle, talk)", Move(idle, talk, 3)},
    };
    FTimeline& main = movie.mainTimeline;
    int frame = 0;
    for (const clip& c : clips) {
        main.frames.emplace(static_cast<uint32_t>(frame), FTimelineFrame(FlashTagLabelFrame(c.label)));
        for (const posture& p : c.frames) AddFrame(main, frame++, p);
    }
    main.frameCount = frame;
    main.backgroundColors[0] = FlashRGBA(235, 240, 250);

    FlashHeader header;
    header.version = 6;
    header.frame = FlashRect(0, 0, 3550, 4000);
    header.rateInteger = 12;
    header.frameCount = static_cast<uint16_t>(frame);
    movie.SetHeader(header);

    flash_ofstream out(argv[1]);
    if (!movie.Write(out) || !out.close()) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], out.error().c_str());
        return 1;
    }
    std::printf("wrote %s: %d frames, %zu clips\n", argv[1], frame, clips.size());
    return 0;
}
