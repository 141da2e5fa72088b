#include "lightning_flashes.h"

#include "settings/settings_store.h"

#include <cmath>

namespace {

constexpr double halfTurn = 3.1415926;
constexpr double stepLength = 0.02;
constexpr double discRadius = 4.0;
constexpr int32_t maxBranches = 10;
// A branch may not end before this step, so even one that starts outside
// the disc shows a stroke of 42 vertices.
constexpr int32_t shortestWalk = 40;

}  // namespace

uint8_t glowTexel(int32_t column, int32_t row)
{
    const double x = column * 0.03125 - 1.0;
    const double y = row * 0.03125 - 1.0;
    return static_cast<uint8_t>(static_cast<int32_t>(255.0 * std::exp(-4.5 * std::sqrt(x * x + y * y))));
}

LightningFlash LightningFlash::randomize()
{
    LightningFlash flash;
    flash.depth = 95.0 * randomUnit() + 3.0;
    // 190 half turns, not one full turn: only sine, cosine and heading matter.
    flash.angle = 596.902594 * randomUnit();
    flash.brightness = (randomUnit() + 1.0) * 0.5 / flash.depth;
    flash.framesLeft = static_cast<int32_t>(3.0 * randomUnit() + 1.0);
    return flash;
}

void drawGlowSprite(GLuint glowTexture, double brightness, double z, const Vector2& point)
{
    const double w = 50.0 * brightness;
    const double phi = std::atan2(point.y, point.x);
    const double dx = -w * std::sin(phi);
    const double dy = w * std::cos(phi);

    glColor4d(0.4, 0.4, 0.6, 1.0);
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0);
    glVertex3d(point.x + dx, point.y + dy, z - 5.0 * w);
    glTexCoord2d(0, 1);
    glVertex3d(point.x - dx, point.y - dy, z - 5.0 * w);
    glTexCoord2d(1, 1);
    glVertex3d(point.x - dx, point.y - dy, z + 5.0 * w);
    glTexCoord2d(1, 0);
    glVertex3d(point.x + dx, point.y + dy, z + 5.0 * w);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

double LightningFlash::drawBolt(GLuint glowTexture, BoltTrace* trace) const
{
    std::list<BoltBranch> stack;
    BoltBranch main;
    main.start.set(4.0 * std::cos(angle), 4.0 * std::sin(angle), -depth);
    main.brightness = brightness;
    main.heading = angle + halfTurn;
    stack.push_back(main);
    if (trace != nullptr)
        trace->pushed += 1;

    int32_t branchesDrawn = 0;
    while (!stack.empty()) {
        const BoltBranch cur = stack.back();
        stack.pop_back();
        Vector2 point;
        point.set(cur.start.x, cur.start.y);
        const double z = cur.start.z;

        drawGlowSprite(glowTexture, cur.brightness, z, point);
        glColor4d(0.75, 0.75, 1.0, 60.0 * cur.brightness);
        glBegin(GL_LINE_STRIP);
        int32_t vertices = 0;
        for (int32_t step = 0;; ++step) {
            glVertex3d(point.x, point.y, z);
            vertices += 1;
            const double a = cur.heading + (0.5 - randomUnit()) * halfTurn;
            point.x += stepLength * std::cos(a);
            point.y += stepLength * std::sin(a);
            if (step > shortestWalk && point.length() > discRadius)
                break;
            if (randomUnit() < 0.02) {
                const double f = 0.5 * randomUnit();
                if (f > 0.1) {
                    BoltBranch branch;
                    branch.start.set(point.x, point.y, z);
                    branch.brightness = f * cur.brightness;
                    branch.heading = cur.heading + (0.5 - randomUnit()) * halfTurn;
                    stack.push_back(branch);
                    if (trace != nullptr)
                        trace->pushed += 1;
                }
            }
        }
        glEnd();
        drawGlowSprite(glowTexture, cur.brightness, z, point);
        if (trace != nullptr)
            trace->drawn.push_back(BoltTrace::DrawnBranch{cur, vertices, point});

        branchesDrawn += 1;
        if (branchesDrawn == maxBranches)
            break;  // whatever is still stacked is dropped
    }
    return brightness;
}

void LightningFlashes::setUp()
{
    lightningProbability_ = settingValue(Setting::intensivityOfLightnings) * 0.001;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glGenTextures(1, &lightningGlowTexture_);
    glBindTexture(GL_TEXTURE_2D, lightningGlowTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    std::vector<uint8_t> texels(glowSize * glowSize);
    for (int32_t i = 0; i < glowSize; ++i) {
        for (int32_t j = 0; j < glowSize; ++j)
            texels[j * glowSize + i] = glowTexel(i, j);
    }
    // Rows of 64 single bytes are already 4-aligned.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, glowSize, glowSize, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
}

void LightningFlashes::drawFrame()
{
    double sum = 0.0;
    flashesDrawnLastFrame_ = 0;
    glEnable(GL_BLEND);
    for (auto flash = flashes_.begin(); flash != flashes_.end();) {
        if (flash->framesLeft == 0) {
            flash = flashes_.erase(flash);
            continue;
        }
        sum += flash->drawBolt(lightningGlowTexture_);
        flash->framesLeft -= 1;
        flashesDrawnLastFrame_ += 1;
        ++flash;
    }

    // The wash covers the whole view at z = 0; GL clamps its alpha to 1.
    // With alpha 0 it blends to exactly what is there under either blend
    // function, so in a frame without a flash the full-screen blend is
    // skipped; only its colour is left current, as drawing it would.
    skyAlphaLastFrame_ = 3.0 * sum;
    glColor4d(1.0, 1.0, 1.0, skyAlphaLastFrame_);
    if (skyAlphaLastFrame_ != 0.0) {
        glBegin(GL_QUADS);
        glVertex3d(-1.0, -0.75, 0.0);
        glVertex3d(1.0, -0.75, 0.0);
        glVertex3d(1.0, 0.75, 0.0);
        glVertex3d(-1.0, 0.75, 0.0);
        glEnd();
    }
    glDisable(GL_BLEND);

    // Born now, first drawn in the next frame.
    if (randomUnit() < lightningProbability_)
        flashes_.push_back(LightningFlash::randomize());
}
