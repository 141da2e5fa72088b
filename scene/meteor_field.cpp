#include "meteor_field.h"

#include "settings/settings_store.h"

#include <cmath>

namespace {

constexpr double fullTurn = 6.2831852;
constexpr double circleStep = 0.20943950666666666;
constexpr double deepEnd = -95.0;
constexpr double nearEnd = 0.0;
constexpr double byteToFraction = 0.00392156862745098;

}  // namespace

const FlareElement flareElements[17] = {
    {0.14, 0.097, 0.051, 0.37, 1, -1.4},
    {0.02, 0.04, 0.0, 0.19, 0, -1.0},
    {0.2, 0.14, 0.11, 0.19, 1, -1.0},
    {0.14, 0.2, 0.14, 0.06, 0, -0.67},
    {0.0, 0.0, 0.5, 0.03, 2, -0.7},
    {0.28, 0.2, 0.12, 0.14, 0, -0.47},
    {0.28, 0.2, 0.12, 0.04, 0, -0.5},
    {0.28, 0.2, 0.12, 0.08, 0, -0.43},
    {0.36, 0.59, 0.54, 0.01, 2, 0.0},
    {0.28, 0.2, 0.12, 0.04, 0, 0.2},
    {0.1, 0.1, 0.16, 0.06, 0, 0.43},
    {0.1, 0.1, 0.16, 0.11, 0, 0.44},
    {0.1, 0.1, 0.16, 0.04, 0, 0.53},
    {0.3, 0.1, 0.1, 0.17, 1, 1.0},
    {0.4, 0.4, 0.0, 0.08, 0, 1.33},
    {0.4, 0.1, 0.1, 0.66, 0, 1.5},
    {0.4, 0.1, 0.1, 0.28, 0, 1.63},
};

// The rays fan out from the head. After the first five, a fixed
// low-discrepancy (plastic-ratio) sequence spreads the angles over [0, 2 pi)
// and the lengths over (0, 0.5) as evenly as random samples would, without
// ever changing between frames or runs.
const FlareRay flareRays[100] = {
    {3.54111, 0.000625629}, {5.08147, 0.0966521}, {3.01513, 0.292505}, {5.6295, 0.175146},
    {4.69106, 0.41142}, {1.60144, 0.0349201}, {0.0612946, 0.31984}, {4.80433, 0.10476},
    {3.26418, 0.389681}, {1.72403, 0.174601}, {0.183884, 0.459521}, {4.92692, 0.244441},
    {3.38677, 0.0293612}, {1.84662, 0.314281}, {0.306473, 0.0992015}, {5.04951, 0.384122},
    {3.50936, 0.169042}, {1.96921, 0.453962}, {0.429062, 0.238882}, {5.1721, 0.0238022},
    {3.63195, 0.308722}, {2.0918, 0.0936425}, {0.551651, 0.378563}, {5.29469, 0.163483},
    {3.75454, 0.448403}, {2.21439, 0.233323}, {0.67424, 0.0182432}, {5.41728, 0.303163},
    {3.87713, 0.0880835}, {2.33698, 0.373004}, {0.796829, 0.157924}, {5.53987, 0.442844},
    {3.99972, 0.227764}, {2.45957, 0.0126842}, {0.919418, 0.297604}, {5.66245, 0.0825245},
    {4.12231, 0.367445}, {2.58216, 0.152365}, {1.04201, 0.437285}, {5.78504, 0.222205},
    {4.24489, 0.00712524}, {2.70475, 0.292045}, {1.1646, 0.0769655}, {5.90763, 0.361886},
    {4.36748, 0.146806}, {2.82733, 0.431726}, {1.28719, 0.216646}, {6.03022, 0.00156626},
    {4.49007, 0.286486}, {2.94992, 0.0714065}, {1.40977, 0.356327}, {6.15281, 0.141247},
    {4.61266, 0.426167}, {3.07251, 0.211087}, {1.53236, 0.496007}, {6.2754, 0.280927},
    {4.73525, 0.0658476}, {3.1951, 0.350768}, {1.65495, 0.135688}, {0.114804, 0.420608},
    {4.85784, 0.205528}, {3.31769, 0.490448}, {1.77754, 0.275368}, {0.237393, 0.0602886},
    {4.98043, 0.345209}, {3.44028, 0.130129}, {1.90013, 0.415049}, {0.359982, 0.199969},
    {5.10302, 0.484889}, {3.56287, 0.269809}, {2.02272, 0.0547296}, {0.482571, 0.33965},
    {5.22561, 0.12457}, {3.68546, 0.40949}, {2.14531, 0.19441}, {0.605161, 0.47933},
    {5.3482, 0.26425}, {3.80805, 0.0491706}, {2.2679, 0.334091}, {0.72775, 0.119011},
    {5.47079, 0.403931}, {3.93064, 0.188851}, {2.39049, 0.473771}, {0.850339, 0.258691},
    {5.59338, 0.0436116}, {4.05323, 0.328532}, {2.51308, 0.113452}, {0.972928, 0.398372},
    {5.71596, 0.183292}, {4.17582, 0.468212}, {2.63567, 0.253133}, {1.09552, 0.0380527},
    {5.83855, 0.322973}, {4.2984, 0.107893}, {2.75826, 0.392813}, {1.21811, 0.177733},
    {5.96114, 0.462653}, {4.42099, 0.247574}, {2.88084, 0.0324937}, {1.3407, 0.317414},
};

FlareColour flareCentreColour(const FlareElement& element)
{
    if (element.kind == 2)
        return FlareColour{element.red, element.blue, element.green};
    return FlareColour{element.red / 2.0, element.green / 2.0, element.blue / 2.0};
}

bool placeFlare(double size, const Vector3& head, Vector2& projected, double& alpha)
{
    if (head.z > 4.0)
        return false;  // behind the camera
    projected.set(head.x, head.y);
    projected.scaleBy(4.0 / (4.0 - head.z));
    // Written so that a projection that is not a number draws nothing too.
    if (!(projected.length() <= 1.5))
        return false;
    alpha = size / (5.0 - head.z);
    if (alpha > 1.0)
        alpha = 1.0;
    return true;
}

MeteorField::MeteorField()
{
    velocity.clear();
    position.clear();
    // Runs before the generator is seeded, so this is always 0: the first
    // frame with meteorites on launches one.
    countdown = static_cast<int32_t>(500.0 * randomUnit());
}

void MeteorField::buildCircleList()
{
    circleList = glGenLists(1);
    glNewList(circleList, GL_COMPILE);
    // 31 vertices: the last repeats the first to within 1e-7. Vertices
    // only; callers wrap the list in their own glBegin and glEnd.
    for (int i = 0; i <= 30; ++i) {
        const double theta = i * circleStep;
        glVertex2d(std::cos(theta), std::sin(theta));
    }
    glEndList();
}

void MeteorField::setUp()
{
    buildCircleList();
    intoDepth = settingValue(Setting::directionOfClouds) == 0;
    const int32_t n = settingValue(Setting::meteoritesColorOfTile);
    trailColour[0] = (n & 0xFF) * byteToFraction;
    trailColour[1] = ((n >> 8) & 0xFF) * byteToFraction;
    trailColour[2] = ((n >> 16) & 0xFF) * byteToFraction;
}

void MeteorField::spray()
{
    // Two unit vectors across the flight; vz is never 0 in flight.
    Vector3 across;
    across.set(0.0, velocity.z, -velocity.y);
    across.divideBy(across.length());
    Vector3 other;
    other.set(-(velocity.z * velocity.z + velocity.y * velocity.y), velocity.x * velocity.y,
              velocity.x * velocity.z);
    other.divideBy(other.length());

    for (int32_t born = 0; static_cast<int32_t>(trail.size()) < maxTrail && born < sprayPerFrame; ++born) {
        TrailParticle particle;
        particle.velocity.clear();
        particle.position.clear();
        particle.brightness = intensity;
        particle.birthIndex = trailBirthCounter;
        trailBirthCounter += 1;
        particle.position = position;
        const double s = 0.008 * randomUnit();
        const double theta = fullTurn * randomUnit();
        particle.velocity = across.times(std::cos(theta)).times(s).plus(other.times(std::sin(theta)).times(s));
        trail.insert(particle);
    }
}

void MeteorField::walkTrail()
{
    trailDrawnLastFrame = 0;
    if (trail.empty())
        return;
    // Blends with whatever function is current: alpha before the first
    // flare, additive ever after. One batch of points in birth order blends
    // each point onto the ones before it exactly as one draw per point
    // would, without a pipeline flush per point.
    glEnable(GL_BLEND);
    glPointSize(1.0);
    glBegin(GL_POINTS);
    for (auto it = trail.begin(); it != trail.end();) {
        // The key, the birth index, is never changed: the set stays ordered.
        TrailParticle& particle = const_cast<TrailParticle&>(*it);
        glColor4d(trailColour[0], trailColour[1], trailColour[2], 0.6666666666666666 * particle.brightness);
        glVertex3d(particle.position.x, particle.position.y, particle.position.z);
        trailDrawnLastFrame += 1;

        particle.position.addInPlace(particle.velocity);
        particle.brightness = particle.brightness * 0.99;
        if (particle.brightness < 0.1)
            it = trail.erase(it);
        else
            ++it;
    }
    glEnd();
    glDisable(GL_BLEND);
}

void MeteorField::launch()
{
    intensity = (randomUnit() + 1.0) * 0.5;
    const double speed = 0.01 * randomUnit();
    const double heading = fullTurn * randomUnit();
    const double depthSpeed = (randomUnit() + 1.0) * 0.2;
    velocity.set(std::cos(heading) * speed, std::sin(heading) * speed, intoDepth ? -depthSpeed : depthSpeed);
    const double radius = 0.2 * randomUnit() + 1.0;
    const double angle = fullTurn * randomUnit();
    position.set(std::cos(angle) * radius, std::sin(angle) * radius, intoDepth ? nearEnd : deepEnd);
    countdown = -1;
}

void MeteorField::drawFrame()
{
    flareDrawnLastFrame = false;
    if (countdown == -1)
        spray();
    walkTrail();

    if (countdown == -1) {
        drawFlare(4.0 * intensity, position);
        position = position.plus(velocity);
        const bool ended = intoDepth ? position.z < deepEnd : position.z > nearEnd;
        if (ended)
            countdown = static_cast<int32_t>(500.0 * randomUnit());  // the trail fades on its own
    } else if (countdown > 0) {
        countdown -= 1;
    } else {
        launch();  // sprays and shows from the next frame on
    }
}

void MeteorField::drawFlare(double size, const Vector3& head)
{
    Vector2 q;
    double alpha = 0.0;
    if (!placeFlare(size, head, q, alpha))
        return;
    flareDrawnLastFrame = true;
    glEnable(GL_BLEND);
    // Additive from here on for the rest of the run: nothing sets the blend
    // function again, so later lightning and trails add light too.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    for (const FlareElement& element : flareElements) {
        const Vector2 m = q.times(element.offset);
        if (element.kind == 0)
            drawFlareDisc(alpha, element, m);
        else if (element.kind == 1)
            drawFlareRing(alpha, element, m);
        else
            drawFlareGlow(alpha, element, m);
    }
    drawFlareRays(alpha, q);
    glDisable(GL_BLEND);
}

void MeteorField::drawFlareFan(double alpha, const FlareElement& element, const Vector2& centre,
                               const FlareColour& rim) const
{
    const FlareColour middle = flareCentreColour(element);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(centre.x, centre.y, 0.0);
    glScaled(element.radius, element.radius, element.radius);
    glBegin(GL_TRIANGLE_FAN);
    glColor4d(middle.red, middle.green, middle.blue, alpha);
    glVertex2d(0.0, 0.0);
    glColor4d(rim.red, rim.green, rim.blue, alpha);
    glCallList(circleList);
    glEnd();
    glPopMatrix();
}

void MeteorField::drawFlareDisc(double alpha, const FlareElement& element, const Vector2& centre) const
{
    drawFlareFan(alpha, element, centre, FlareColour{element.red, element.green, element.blue});
}

void MeteorField::drawFlareRing(double alpha, const FlareElement& element, const Vector2& centre) const
{
    const double grey = (element.green + element.blue + element.red) * 0.3333333333333333;
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= 30; ++i) {
        const double theta = i * circleStep;
        const double dx = element.radius * std::cos(theta);
        const double dy = element.radius * std::sin(theta);
        glColor4d(grey, grey, grey, alpha);
        glVertex2d(centre.x + dx, centre.y + dy);
        glColor4d(element.red, element.green, element.blue, alpha);
        glVertex2d(centre.x + 0.95 * dx, centre.y + 0.95 * dy);
    }
    glEnd();
}

void MeteorField::drawFlareGlow(double alpha, const FlareElement& element, const Vector2& centre) const
{
    // Fades to nothing at the rim.
    drawFlareFan(alpha, element, centre, FlareColour{0.0, 0.0, 0.0});
}

void MeteorField::drawFlareRays(double alpha, const Vector2& head) const
{
    glBegin(GL_LINES);
    for (const FlareRay& ray : flareRays) {
        glColor4d(0.4, 0.4, 0.4, alpha);
        glVertex2d(head.x, head.y);
        glColor4d(0.0, 0.0, 0.0, alpha);
        glVertex2d(head.x + ray.length * std::cos(ray.angle), head.y + ray.length * std::sin(ray.angle));
    }
    glEnd();
    // GL limits the doubled alpha to 1.
    const FlareElement centreGlow = {0.7, 0.5, 0.5, 0.1, 2, 1.0};
    drawFlareGlow(2.0 * alpha, centreGlow, head);
}
