// Backgrounds, decorations, the editor's own pictures and the About card.

#include "DemoGen.h"
#include "Painters.h"

#include <QFont>
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace demogen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A skyline made of sines with a whole number of cycles across the width, so that it tiles.
class Ridge {
public:
    Ridge(uint64_t seed, double width, std::initializer_list<std::pair<int, double>> waves)
        : width_(width) {
        Rng rng(seed);
        for (const auto& [cycles, amplitude] : waves) {
            parts_.push_back({cycles, amplitude, rng.Range(0.0, kTwoPi)});
        }
    }
    double At(double x) const {
        double sum = 0.0;
        for (const Part& part : parts_) {
            sum += part.amplitude * std::sin(kTwoPi * part.cycles * x / width_ + part.phase);
        }
        return sum;
    }

private:
    struct Part {
        int cycles;
        double amplitude;
        double phase;
    };
    double width_;
    std::vector<Part> parts_;
};

// Value noise on a lattice that wraps horizontally, summed over octaves: 0..1.
class TileNoise {
public:
    TileNoise(uint64_t seed, int cellsX, int cellsY, int octaves) {
        Rng rng(seed);
        for (int o = 0; o < octaves; ++o) {
            Layer layer{cellsX << o, cellsY << o, {}};
            layer.values.resize(static_cast<size_t>(layer.cx * (layer.cy + 1)));
            for (double& v : layer.values) {
                v = rng.Uniform();
            }
            layers_.push_back(std::move(layer));
        }
    }
    // u, v in 0..1 across the picture.
    double At(double u, double v) const {
        double sum = 0.0;
        double weight = 1.0;
        double total = 0.0;
        for (const Layer& layer : layers_) {
            sum += weight * Sample(layer, u * layer.cx, v * layer.cy);
            total += weight;
            weight *= 0.5;
        }
        return sum / total;
    }

private:
    struct Layer {
        int cx;
        int cy;
        std::vector<double> values;
    };
    static double Sample(const Layer& l, double x, double y) {
        const int x0 = static_cast<int>(std::floor(x));
        const int y0 = std::clamp(static_cast<int>(std::floor(y)), 0, l.cy - 1);
        double fx = x - x0;
        double fy = std::clamp(y - y0, 0.0, 1.0);
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        auto at = [&l](int xi, int yi) {
            xi = ((xi % l.cx) + l.cx) % l.cx;
            return l.values[static_cast<size_t>(yi * l.cx + xi)];
        };
        const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
        const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
        return top + (bottom - top) * fy;
    }
    std::vector<Layer> layers_;
};

QColor Mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

// Draws something three times, one picture width apart, so that it wraps around the edges.
template <typename Draw> void Wrapped(QPainter& p, double width, Draw draw) {
    for (int k = -1; k <= 1; ++k) {
        p.save();
        p.translate(k * width, 0);
        draw();
        p.restore();
    }
}

void VerticalSky(QPainter& p, int width, int height,
                 std::initializer_list<std::pair<double, QColor>> stops) {
    QLinearGradient g(0, 0, 0, height);
    for (const auto& [at, colour] : stops) {
        g.setColorAt(at, colour);
    }
    p.fillRect(QRectF(0, 0, width, height), g);
}

void Cloud(QPainter& p, Rng& rng, QPointF at, double size, const QColor& light,
           const QColor& dark) {
    std::vector<std::pair<QPointF, double>> puffs;
    const int count = 5 + rng.Below(4);
    for (int i = 0; i < count; ++i) {
        const double dx = rng.Range(-1.0, 1.0) * size * 1.4;
        const double r = size * rng.Range(0.45, 0.8) * (1.0 - std::abs(dx) / (size * 2.4));
        puffs.push_back({at + QPointF(dx, -r * 0.5 + rng.Range(-3, 3)), r});
    }
    p.setPen(Qt::NoPen);
    for (const auto& [c, r] : puffs) { // shaded underside first
        p.setBrush(dark);
        p.drawEllipse(c + QPointF(0, r * 0.25), r, r * 0.8);
    }
    for (const auto& [c, r] : puffs) {
        QRadialGradient g(c + QPointF(-r * 0.3, -r * 0.4), r * 1.2);
        g.setColorAt(0, Shade(light, 1.5));
        g.setColorAt(1, light);
        p.setBrush(g);
        p.drawEllipse(c, r * 0.95, r * 0.72);
    }
}

// Mountain ranges drawn pixel by pixel: shading by slope, snow on the high peaks.
void Range(QImage& image, const Ridge& ridge, double base, const QColor& colour, double snowAbove,
           double lightFactor) {
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x) {
        const double top = base + ridge.At(x + 0.5);
        const double slope = ridge.At(x + 1.5) - ridge.At(x - 0.5);
        const double light = std::clamp(1.0 - slope * 0.12 * lightFactor, 0.6, 1.4);
        for (int y = std::max(0, static_cast<int>(std::floor(top))); y < h; ++y) {
            const double cover = std::clamp(y + 1.0 - top, 0.0, 1.0);
            const double depth = (y - top) / 220.0;
            QColor c = Shade(colour, (light > 1 ? 1.0 + (light - 1.0) * 0.5 : light) *
                                         (1.0 - 0.25 * std::min(depth, 1.0)));
            if (top < snowAbove && y < top + 10 + (snowAbove - top) * 0.35) {
                c = Shade(QColor(235, 240, 250), light > 1 ? 1.05 : light * 1.05);
            }
            QRgb& px = reinterpret_cast<QRgb*>(image.scanLine(y))[x];
            const QColor under = QColor::fromRgba(px);
            const QColor out = qAlpha(px) == 0 ? QColor(c.red(), c.green(), c.blue(),
                                                        static_cast<int>(cover * 255))
                                               : Mix(under, c, cover);
            px = qPremultiply(out.rgba());
        }
    }
}

QImage Layer(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void PineSilhouette(QPainter& p, double x, double base, double height, const QColor& colour) {
    const double width = height * 0.5;
    QPainterPath tree;
    tree.addRect(QRectF(x - width * 0.06, base - height * 0.2, width * 0.12, height * 0.22));
    const int tiers = 5;
    for (int tier = 0; tier < tiers; ++tier) {
        const double top = base - height + tier * height * 0.15;
        const double bottom = top + height * 0.32;
        const double half = width * (0.16 + tier * 0.085);
        QPainterPath bough;
        bough.moveTo(x, top);
        bough.lineTo(x + half, bottom);
        bough.quadTo(x, bottom - height * 0.06, x - half, bottom);
        bough.closeSubpath();
        tree.addPath(bough);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(tree.simplified());
}

} // namespace

// --- Backgrounds --------------------------------------------------------------------------

void PaintSkyDay(QPainter& p, int) {
    VerticalSky(
        p, 800, 600,
        {{0.0, QColor(35, 95, 190)}, {0.6, QColor(120, 180, 235)}, {1.0, QColor(200, 230, 250)}});
    QRadialGradient sun(QPointF(610, 120), 150);
    sun.setColorAt(0, QColor(255, 255, 230, 255));
    sun.setColorAt(0.22, QColor(255, 250, 200, 255));
    sun.setColorAt(0.26, QColor(255, 240, 170, 120));
    sun.setColorAt(1, QColor(255, 240, 170, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(610, 120), 150, 150);
    Rng rng(101);
    for (int i = 0; i < 8; ++i) {
        const QPointF at(rng.Range(0, 800), rng.Range(70, 330));
        const double size = rng.Range(28, 55) * (1.0 - at.y() / 900.0);
        const uint64_t seed = rng.Next();
        Wrapped(p, 800, [&] {
            Rng puff(seed);
            Cloud(p, puff, at, size, QColor(245, 248, 255), QColor(185, 200, 225));
        });
    }
}

void PaintSkyDusk(QPainter& p, int) {
    VerticalSky(p, 800, 600,
                {{0.0, QColor(30, 25, 80)},
                 {0.45, QColor(130, 60, 120)},
                 {0.75, QColor(235, 110, 90)},
                 {1.0, QColor(255, 190, 100)}});
    QRadialGradient sun(QPointF(300, 470), 190);
    sun.setColorAt(0, QColor(255, 240, 180, 255));
    sun.setColorAt(0.25, QColor(255, 200, 110, 255));
    sun.setColorAt(0.3, QColor(255, 160, 90, 110));
    sun.setColorAt(1, QColor(255, 120, 80, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(300, 470), 190, 190);
    Rng rng(102);
    for (int i = 0; i < 14; ++i) { // long thin cloud streaks lit from below
        const QPointF at(rng.Range(0, 800), rng.Range(150, 480));
        const double length = rng.Range(60, 170);
        const double thick = rng.Range(3, 8);
        Wrapped(p, 800, [&] {
            QLinearGradient g(at.x(), at.y() - thick, at.x(), at.y() + thick);
            g.setColorAt(0, QColor(90, 40, 90, 200));
            g.setColorAt(1, QColor(255, 150, 110, 220));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(at.x() - length / 2, at.y() - thick, length, 2 * thick), thick,
                              thick);
        });
    }
    for (int i = 0; i < 60; ++i) { // first stars high up
        const QPointF at(rng.Range(0, 800), rng.Range(0, 160));
        p.setBrush(QColor(255, 255, 230, static_cast<int>(rng.Range(60, 200))));
        p.drawEllipse(at, 0.9, 0.9);
    }
}

void PaintSkyNight(QPainter& p, int) {
    VerticalSky(p, 800, 600,
                {{0.0, QColor(4, 6, 24)}, {0.7, QColor(18, 24, 70)}, {1.0, QColor(45, 45, 100)}});
    Rng rng(103);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 420; ++i) {
        const QPointF at(rng.Range(0, 800), std::pow(rng.Uniform(), 1.4) * 560);
        const double r = rng.Uniform() < 0.08 ? 1.6 : rng.Range(0.4, 1.0);
        const int a = static_cast<int>(rng.Range(90, 255));
        p.setBrush(QColor(255, 255, rng.Uniform() < 0.2 ? 200 : 255, a));
        p.drawEllipse(at, r, r);
        if (r > 1.5) { // a few bright stars twinkle
            p.setPen(QPen(QColor(255, 255, 255, 120), 0.6));
            p.drawLine(at + QPointF(-5, 0), at + QPointF(5, 0));
            p.drawLine(at + QPointF(0, -5), at + QPointF(0, 5));
            p.setPen(Qt::NoPen);
        }
    }
    const QPointF moon(590, 115);
    QRadialGradient halo(moon, 120);
    halo.setColorAt(0, QColor(200, 210, 255, 110));
    halo.setColorAt(1, QColor(200, 210, 255, 0));
    p.setBrush(halo);
    p.drawEllipse(moon, 120, 120);
    QRadialGradient disc(moon + QPointF(-12, -12), 50);
    disc.setColorAt(0, QColor(255, 255, 245));
    disc.setColorAt(1, QColor(210, 210, 200));
    p.setBrush(disc);
    p.drawEllipse(moon, 40, 40);
    p.setBrush(QColor(180, 180, 175, 150));
    for (const auto& [dx, dy, r] :
         {std::tuple{-12.0, -8.0, 8.0}, {10.0, 12.0, 6.0}, {14.0, -14.0, 4.0}, {-5.0, 18.0, 5.0}}) {
        p.drawEllipse(moon + QPointF(dx, dy), r, r);
    }
}

void PaintMountains(QPainter& p, int) {
    QImage image = Layer(800, 600);
    const Ridge far(201, 800, {{1, 40}, {2, 35}, {3, 22}, {5, 12}, {9, 6}, {17, 3}});
    const Ridge near(202, 800, {{1, 25}, {2, 30}, {4, 18}, {7, 9}, {13, 4}, {23, 2}});
    Range(image, far, 260, QColor(120, 135, 175), 230, 1.0);
    Range(image, near, 390, QColor(75, 90, 125), 0, 1.0);
    // Haze at the feet of the near range.
    QPainter haze(&image);
    haze.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QLinearGradient mist(0, 420, 0, 600);
    mist.setColorAt(0, QColor(200, 215, 240, 0));
    mist.setColorAt(1, QColor(200, 215, 240, 140));
    haze.fillRect(QRectF(0, 420, 800, 180), mist);
    haze.end();
    p.drawImage(0, 0, image);
}

void PaintHills(QPainter& p, int) {
    QImage image = Layer(800, 600);
    const Ridge far(211, 800, {{2, 30}, {3, 18}, {5, 8}});
    const Ridge near(212, 800, {{1, 22}, {3, 20}, {4, 10}, {8, 4}});
    Range(image, far, 350, QColor(120, 170, 95), 0, 0.8);
    {
        QPainter trees(&image);
        trees.setRenderHint(QPainter::Antialiasing);
        Rng rng(213);
        for (int i = 0; i < 40; ++i) { // round trees dotted along the far hills
            const double x = rng.Range(0, 800);
            const double r = rng.Range(6, 11);
            const double y = 350 + far.At(x) + r * 0.3 + rng.Range(0, 30);
            Wrapped(trees, 800, [&] {
                trees.setPen(Qt::NoPen);
                trees.setBrush(QColor(60, 110, 60));
                trees.drawRect(QRectF(x - 1.2, y, 2.4, r));
                trees.setBrush(QColor(70, 130, 65));
                trees.drawEllipse(QPointF(x, y), r * 0.8, r);
                trees.setBrush(QColor(105, 160, 85));
                trees.drawEllipse(QPointF(x - r * 0.25, y - r * 0.3), r * 0.4, r * 0.45);
            });
        }
    }
    Range(image, near, 420, QColor(80, 140, 65), 0, 0.8);
    p.drawImage(0, 0, image);
}

void PaintForest(QPainter& p, int) {
    Rng rng(221);
    struct Row {
        double base;
        double minH;
        double maxH;
        QColor colour;
        int count;
    };
    const Row rows[] = {{430, 60, 100, QColor(50, 90, 85), 30},
                        {470, 80, 130, QColor(32, 68, 58), 24},
                        {510, 100, 160, QColor(16, 42, 32), 18}};
    for (const Row& row : rows) {
        // Undergrowth joining the trunks, then the trees.
        const Ridge ground(rng.Next(), 800, {{3, 6}, {7, 3}, {13, 2}});
        QPainterPath floor;
        floor.moveTo(-1, 600);
        for (int x = -1; x <= 801; x += 4) {
            floor.lineTo(x, row.base - 10 + ground.At(x));
        }
        floor.lineTo(801, 600);
        floor.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(row.colour);
        p.drawPath(floor);
        for (int i = 0; i < row.count; ++i) {
            const double x = (i + rng.Range(0.0, 0.8)) * 800.0 / row.count;
            const double h = rng.Range(row.minH, row.maxH);
            const double base = row.base + rng.Range(-6, 6);
            Wrapped(p, 800, [&] { PineSilhouette(p, x, base, h, row.colour); });
        }
    }
}

void PaintCave(QPainter& p, int) {
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    const TileNoise rock(231, 10, 8, 5);
    const TileNoise strata(232, 4, 30, 2);
    const TileNoise veins(234, 6, 5, 3);
    for (int y = 0; y < 600; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < 800; ++x) {
            const double u = x / 800.0;
            const double v = y / 600.0;
            const double n = rock.At(u, v);
            const double s = strata.At(u, v);
            const double edge = 1.0 - 0.55 * std::pow(std::abs(v - 0.55) / 0.55, 2.0);
            const double crack = std::abs(veins.At(u, v) - 0.5);
            const double n3 = n * n * (3 - 2 * n); // harder contrast between lumps
            double light = (0.25 + 1.0 * n3 + 0.2 * s) * edge;
            if (crack < 0.012) {
                light *= 0.45 + 40 * crack;
            }
            const QColor c = Shade(QColor(95, 80, 70), light);
            row[x] = c.rgb();
        }
    }
    QPainter q(&image);
    q.setRenderHint(QPainter::Antialiasing);
    Rng rng(233);
    for (int i = 0; i < 26; ++i) { // stalactites and stalagmites
        const bool top = i % 2 == 0;
        const double x = rng.Range(0, 800);
        const double len = rng.Range(40, top ? 150 : 100);
        const double w = rng.Range(18, 40);
        Wrapped(q, 800, [&] {
            QLinearGradient g(x - w / 2, 0, x + w / 2, 0);
            g.setColorAt(0, QColor(110, 95, 85));
            g.setColorAt(0.4, QColor(80, 68, 60));
            g.setColorAt(1, QColor(40, 32, 28));
            q.setBrush(g);
            q.setPen(OutlinePen(QColor(30, 24, 20), 1.0));
            QPolygonF spike;
            if (top) {
                spike << QPointF(x - w / 2, -2) << QPointF(x + w / 2, -2) << QPointF(x, len);
            } else {
                spike << QPointF(x - w / 2, 602) << QPointF(x + w / 2, 602)
                      << QPointF(x, 600 - len);
            }
            q.drawPolygon(spike);
        });
    }
    for (int i = 0; i < 12; ++i) { // glowing crystals in the walls
        const QPointF at(rng.Range(0, 800), rng.Range(120, 480));
        const double r = rng.Range(10, 22);
        Wrapped(q, 800, [&] {
            QRadialGradient g(at, r);
            g.setColorAt(0, QColor(150, 230, 255, 220));
            g.setColorAt(0.25, QColor(60, 170, 230, 120));
            g.setColorAt(1, QColor(40, 120, 200, 0));
            q.setPen(Qt::NoPen);
            q.setBrush(g);
            q.drawEllipse(at, r, r);
            q.setBrush(QColor(200, 245, 255));
            q.drawPolygon(QPolygonF() << at + QPointF(0, -r * 0.35) << at + QPointF(r * 0.12, 0)
                                      << at + QPointF(0, r * 0.2) << at + QPointF(-r * 0.12, 0));
        });
    }
    q.end();
    p.drawImage(0, 0, image);
}

void PaintGround(QPainter& p, int) {
    QImage soil(512, 128, QImage::Format_ARGB32_Premultiplied);
    const TileNoise noise(241, 16, 4, 4);
    const Ridge edge(242, 512, {{4, 2.5}, {9, 1.5}, {23, 1.0}});
    soil.fill(Qt::transparent);
    for (int y = 0; y < 128; ++y) {
        auto* row = reinterpret_cast<QRgb*>(soil.scanLine(y));
        for (int x = 0; x < 512; ++x) {
            const double top = 22 + edge.At(x);
            if (y < top) {
                continue;
            }
            const double n = noise.At(x / 512.0, y / 128.0);
            const double depth = (y - top) / 106.0;
            const QColor c = Shade(QColor(120, 80, 45), (0.65 + 0.6 * n) * (1.0 - 0.35 * depth));
            row[x] = c.rgb();
        }
    }
    QPainter q(&soil);
    q.setRenderHint(QPainter::Antialiasing);
    Rng rng(243);
    for (int i = 0; i < 30; ++i) { // buried stones
        const QPointF at(rng.Range(0, 512), rng.Range(45, 124));
        const double r = rng.Range(3, 9);
        Wrapped(q, 512, [&] {
            QRadialGradient g(at + QPointF(-r * 0.3, -r * 0.3), r * 1.3);
            g.setColorAt(0, QColor(170, 165, 155));
            g.setColorAt(1, QColor(95, 90, 85));
            q.setBrush(g);
            q.setPen(OutlinePen(QColor(60, 45, 30), 0.8));
            q.drawEllipse(at, r * 1.3, r);
        });
    }
    // A band of turf on top, with blades reaching into the empty air above.
    QPainterPath turf;
    turf.moveTo(-1, 128);
    for (int x = -1; x <= 513; x += 2) {
        turf.lineTo(x, 18 + edge.At(x));
    }
    turf.lineTo(513, 34);
    for (int x = 513; x >= -1; x -= 2) {
        turf.lineTo(x, 32 + edge.At(x) + 2 * std::sin(x * 0.7));
    }
    turf.closeSubpath();
    QLinearGradient green(0, 14, 0, 36);
    green.setColorAt(0, QColor(120, 200, 70));
    green.setColorAt(1, QColor(50, 120, 40));
    q.setPen(Qt::NoPen);
    q.setBrush(green);
    q.drawPath(turf);
    for (int i = 0; i < 220; ++i) {
        const double x = rng.Range(0, 512);
        const double h = rng.Range(5, 13);
        const double lean = rng.Range(-3, 3);
        const QColor c = Mix(QColor(60, 140, 45), QColor(150, 220, 90), rng.Uniform());
        Wrapped(q, 512, [&] {
            const double base = 22 + edge.At(x);
            q.setPen(OutlinePen(c, 1.6));
            q.drawLine(QPointF(x, base + 3), QPointF(x + lean, base - h));
        });
    }
    q.end();
    p.drawImage(0, 0, soil);
}

// --- Still decorations --------------------------------------------------------------------

void PaintRock(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(64, 92), 58, 4);
    Rng rng(301);
    QPolygonF outline;
    for (int i = 0; i < 14; ++i) {
        const double a = std::numbers::pi + i * std::numbers::pi / 13;
        const double r = rng.Range(0.85, 1.05);
        outline << QPointF(64 + std::cos(a) * 58 * r, std::min(92.0, 70 + std::sin(a) * 62 * r));
    }
    outline << QPointF(120, 92) << QPointF(8, 92);
    QRadialGradient stone(QPointF(46, 30), 95);
    stone.setColorAt(0, QColor(190, 185, 175));
    stone.setColorAt(0.6, QColor(125, 120, 115));
    stone.setColorAt(1, QColor(70, 66, 64));
    p.setBrush(stone);
    p.setPen(OutlinePen(QColor(45, 40, 38), 1.8));
    p.drawPolygon(outline);
    // Facets and cracks.
    p.setPen(OutlinePen(QColor(80, 75, 70, 200), 1.2));
    p.drawLine(QPointF(40, 22), QPointF(52, 56));
    p.drawLine(QPointF(52, 56), QPointF(88, 64));
    p.drawLine(QPointF(52, 56), QPointF(36, 86));
    p.drawLine(QPointF(92, 28), QPointF(88, 64));
    p.setPen(OutlinePen(QColor(220, 215, 205, 160), 1.0));
    p.drawLine(QPointF(42, 20), QPointF(54, 52));
    // Moss on the top.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const QPointF at(rng.Range(30, 100), rng.Range(12, 26));
        p.setBrush(i % 2 == 0 ? QColor(80, 140, 50, 230) : QColor(110, 170, 60, 230));
        p.drawEllipse(at, rng.Range(5, 10), rng.Range(2.5, 4));
    }
}

void PaintCrate(QPainter& p, int) {
    const QColor wood(185, 130, 70);
    p.setPen(OutlinePen(QColor(70, 40, 15), 1.6));
    p.setBrush(wood);
    p.drawRect(QRectF(3, 3, 58, 58));
    // Plank grain.
    for (int i = 0; i < 4; ++i) {
        const double y = 9 + i * 12;
        QLinearGradient g(0, y - 5, 0, y + 5);
        g.setColorAt(0, Shade(wood, 1.15));
        g.setColorAt(1, Shade(wood, 0.8));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRect(QRectF(9, y - 3, 46, 10));
        p.setPen(OutlinePen(QColor(120, 75, 35), 0.8));
        p.drawLine(QPointF(9, y + 7), QPointF(55, y + 7));
        p.drawLine(QPointF(16 + i * 7, y), QPointF(26 + i * 7, y + 1));
    }
    // Frame and diagonal brace.
    p.setPen(OutlinePen(QColor(70, 40, 15), 1.2));
    p.setBrush(Shade(wood, 0.78));
    QPainterPath frame;
    frame.addRect(QRectF(3, 3, 58, 58));
    frame.addRect(QRectF(10, 10, 44, 44));
    p.drawPath(frame);
    QPolygonF brace;
    brace << QPointF(10, 48) << QPointF(48, 10) << QPointF(54, 16) << QPointF(16, 54);
    p.drawPolygon(brace);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 65));
    for (const QPointF& nail : {QPointF(6.5, 6.5), QPointF(57.5, 6.5), QPointF(6.5, 57.5),
                                QPointF(57.5, 57.5), QPointF(14, 50), QPointF(50, 14)}) {
        p.drawEllipse(nail, 1.4, 1.4);
    }
}

void PaintBarrel(QPainter& p, int) {
    const QColor wood(160, 100, 50);
    QPainterPath body;
    body.moveTo(12, 8);
    body.quadTo(2, 40, 12, 74);
    body.lineTo(52, 74);
    body.quadTo(62, 40, 52, 8);
    body.closeSubpath();
    QLinearGradient g(4, 0, 60, 0);
    g.setColorAt(0, Shade(wood, 0.55));
    g.setColorAt(0.35, Shade(wood, 1.2));
    g.setColorAt(1, Shade(wood, 0.5));
    p.setBrush(g);
    p.setPen(OutlinePen(QColor(60, 35, 15), 1.6));
    p.drawPath(body);
    p.setPen(OutlinePen(QColor(90, 55, 25), 0.9));
    for (double x : {20.0, 28.0, 36.0, 44.0}) { // staves
        QPainterPath stave;
        stave.moveTo(x, 9);
        stave.quadTo(32 + (x - 32) * 1.35, 40, x, 73);
        p.setBrush(Qt::NoBrush);
        p.drawPath(stave);
    }
    for (double y : {18.0, 62.0}) { // iron hoops
        QLinearGradient iron(0, y - 3, 0, y + 3);
        iron.setColorAt(0, QColor(150, 150, 160));
        iron.setColorAt(1, QColor(60, 60, 70));
        p.setBrush(iron);
        p.setPen(OutlinePen(QColor(30, 30, 35), 1.0));
        const double inset = y < 40 ? 7.5 : 7.5;
        p.drawRoundedRect(QRectF(inset, y - 3, 64 - 2 * inset, 6), 2, 2);
    }
    p.setBrush(Shade(wood, 0.85));
    p.setPen(OutlinePen(QColor(60, 35, 15), 1.4));
    p.drawEllipse(QPointF(32, 8), 20, 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(32, 77), 24, 2.5);
}

void PaintStoneWall(QPainter& p, int) {
    Rng rng(311);
    const QColor stone(140, 135, 128);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(55, 50, 48));
    p.drawRect(QRectF(0, 14, 64, 178));
    // Crenellated top.
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(i * 25, 0, 14, 16));
    }
    for (int row = 0; row < 11; ++row) {
        const double y = 16 + row * 16;
        const double offset = row % 2 == 0 ? 0 : -12;
        for (double x = offset; x < 64; x += 24) {
            const QRectF brick(x + 1, y + 1, 22, 14);
            QLinearGradient g(brick.topLeft(), brick.bottomRight());
            const QColor c = Shade(stone, rng.Range(0.8, 1.15));
            g.setColorAt(0, Shade(c, 1.2));
            g.setColorAt(1, Shade(c, 0.75));
            p.setBrush(g);
            p.drawRoundedRect(brick, 2, 2);
        }
    }
    for (int i = 0; i < 3; ++i) {
        QLinearGradient g(0, 0, 0, 16);
        g.setColorAt(0, Shade(stone, 1.2));
        g.setColorAt(1, Shade(stone, 0.8));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(i * 25 + 1, 1, 12, 13), 2, 2);
    }
    // Moss creeping up from the ground and an outline.
    for (int i = 0; i < 14; ++i) {
        p.setBrush(i % 2 == 0 ? QColor(70, 120, 45, 220) : QColor(100, 150, 60, 200));
        p.drawEllipse(QPointF(rng.Range(0, 64), rng.Range(170, 192)), rng.Range(4, 9),
                      rng.Range(3, 6));
    }
}

void PaintOakTree(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(96, 251), 60, 4);
    // Trunk with flared roots and two branches.
    QPainterPath trunk;
    trunk.moveTo(66, 252);
    trunk.quadTo(84, 236, 84, 200);
    trunk.lineTo(86, 120);
    trunk.lineTo(60, 86);
    trunk.lineTo(68, 82);
    trunk.lineTo(92, 108);
    trunk.lineTo(100, 70);
    trunk.lineTo(108, 72);
    trunk.lineTo(104, 114);
    trunk.lineTo(132, 90);
    trunk.lineTo(136, 96);
    trunk.lineTo(108, 130);
    trunk.lineTo(108, 200);
    trunk.quadTo(108, 236, 128, 252);
    trunk.closeSubpath();
    QLinearGradient bark(76, 0, 116, 0);
    bark.setColorAt(0, QColor(70, 45, 25));
    bark.setColorAt(0.4, QColor(130, 90, 55));
    bark.setColorAt(1, QColor(60, 38, 20));
    p.setBrush(bark);
    p.setPen(OutlinePen(QColor(40, 25, 12), 1.5));
    p.drawPath(trunk);
    p.setPen(OutlinePen(QColor(60, 40, 20), 1.0));
    for (double y = 150; y < 240; y += 18) {
        p.drawLine(QPointF(92, y), QPointF(94, y + 10));
        p.drawLine(QPointF(100, y + 8), QPointF(101, y + 16));
    }
    // Canopy: clumps of leaves, dark underneath, lit from the upper left.
    Rng rng(321);
    std::vector<std::pair<QPointF, double>> clumps;
    // A ring of clumps round a full centre, jittered a little.
    clumps.push_back({QPointF(96, 84), 40});
    for (int i = 0; i < 11; ++i) {
        const double a = i * 2 * std::numbers::pi / 11 + rng.Range(-0.15, 0.15);
        clumps.push_back(
            {QPointF(96 + std::cos(a) * 60, 82 + std::sin(a) * 44), rng.Range(24, 32)});
    }
    for (int i = 0; i < 5; ++i) {
        const double a = i * 2 * std::numbers::pi / 5 + 0.4;
        clumps.push_back(
            {QPointF(96 + std::cos(a) * 30, 80 + std::sin(a) * 24), rng.Range(24, 30)});
    }
    p.setPen(Qt::NoPen);
    for (const auto& [c, r] : clumps) {
        p.setBrush(QColor(30, 75, 30));
        p.drawEllipse(c + QPointF(3, 5), r, r * 0.9);
    }
    for (const auto& [c, r] : clumps) {
        QRadialGradient leaf(c + QPointF(-r * 0.35, -r * 0.45), r * 1.2);
        leaf.setColorAt(0, QColor(140, 200, 80));
        leaf.setColorAt(0.6, QColor(70, 145, 50));
        leaf.setColorAt(1, QColor(45, 105, 40));
        p.setBrush(leaf);
        p.drawEllipse(c, r * 0.92, r * 0.8);
    }
    for (int i = 0; i < 10; ++i) { // a few acorns
        p.setBrush(QColor(150, 100, 40));
        p.drawEllipse(QPointF(rng.Range(50, 142), rng.Range(70, 130)), 2, 2.6);
    }
}

void PaintPineTree(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(64, 251), 40, 3.5);
    QLinearGradient bark(56, 0, 72, 0);
    bark.setColorAt(0, QColor(70, 40, 25));
    bark.setColorAt(1, QColor(120, 75, 45));
    p.setBrush(bark);
    p.setPen(OutlinePen(QColor(40, 22, 12), 1.2));
    p.drawRect(QRectF(57, 200, 14, 52));
    for (int tier = 0; tier < 5; ++tier) {
        const double top = 6 + tier * 36;
        const double bottom = 70 + tier * 34;
        const double half = 22 + tier * 10;
        QPainterPath bough;
        bough.moveTo(64, top);
        // Jagged needle edges down both sides.
        const int teeth = 5;
        for (int i = 1; i <= teeth; ++i) {
            const double t = static_cast<double>(i) / teeth;
            bough.lineTo(64 + half * t, top + (bottom - top) * t);
            if (i < teeth) {
                bough.lineTo(64 + half * t - 5, top + (bottom - top) * t + 1);
            }
        }
        bough.quadTo(64, bottom - 8, 64 - half, bottom);
        for (int i = teeth - 1; i >= 1; --i) {
            const double t = static_cast<double>(i) / teeth;
            bough.lineTo(64 - half * t + 5, top + (bottom - top) * t + 1);
            bough.lineTo(64 - half * t, top + (bottom - top) * t);
        }
        bough.closeSubpath();
        QLinearGradient needles(64 - half, 0, 64 + half, 0);
        needles.setColorAt(0, QColor(50, 110, 70));
        needles.setColorAt(0.5, QColor(30, 85, 55));
        needles.setColorAt(1, QColor(15, 55, 35));
        p.setBrush(needles);
        p.setPen(OutlinePen(QColor(10, 40, 25), 1.2));
        p.drawPath(bough);
    }
}

void PaintBush(QPainter& p, int) {
    Rng rng(331);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(64, 61), 56, 3);
    std::vector<std::pair<QPointF, double>> clumps;
    for (int i = 0; i < 11; ++i) {
        const double x = 16 + i * 9.6 + rng.Range(-3, 3);
        const double r = 14 + 10 * std::sin(std::numbers::pi * (x - 8) / 112) + rng.Range(0, 4);
        clumps.push_back({QPointF(x, 60 - r * 0.9), r});
    }
    for (const auto& [c, r] : clumps) {
        p.setBrush(QColor(25, 80, 35));
        p.drawEllipse(c + QPointF(2, 3), r, r * 0.85);
    }
    for (const auto& [c, r] : clumps) {
        QRadialGradient leaf(c + QPointF(-r * 0.3, -r * 0.4), r * 1.2);
        leaf.setColorAt(0, QColor(120, 195, 90));
        leaf.setColorAt(1, QColor(45, 120, 50));
        p.setBrush(leaf);
        p.drawEllipse(c, r * 0.9, r * 0.78);
    }
    for (int i = 0; i < 12; ++i) { // berries
        const QPointF at(rng.Range(20, 108), rng.Range(22, 52));
        p.setBrush(QColor(120, 10, 30));
        p.drawEllipse(at + QPointF(0.5, 0.5), 2.6, 2.6);
        p.setBrush(QColor(220, 40, 60));
        p.drawEllipse(at, 2.3, 2.3);
        p.setBrush(QColor(255, 200, 200));
        p.drawEllipse(at + QPointF(-0.7, -0.7), 0.7, 0.7);
    }
}

void PaintMushrooms(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(32, 46), 28, 2);
    const struct {
        double x, capY, r, h;
    } shrooms[] = {{18, 22, 13, 24}, {44, 14, 17, 32}, {31, 34, 8, 12}};
    for (const auto& m : shrooms) {
        QLinearGradient stem(m.x - 4, 0, m.x + 4, 0);
        stem.setColorAt(0, QColor(220, 210, 190));
        stem.setColorAt(1, QColor(250, 245, 235));
        p.setBrush(stem);
        p.setPen(OutlinePen(QColor(120, 100, 80), 1.0));
        p.drawRoundedRect(QRectF(m.x - m.r * 0.3, m.capY, m.r * 0.6, 46 - m.capY), 2, 2);
        QPainterPath cap;
        cap.moveTo(m.x - m.r, m.capY + 2);
        cap.cubicTo(m.x - m.r, m.capY - m.r * 0.9, m.x + m.r, m.capY - m.r * 0.9, m.x + m.r,
                    m.capY + 2);
        cap.quadTo(m.x, m.capY + 5, m.x - m.r, m.capY + 2);
        QRadialGradient red(QPointF(m.x - m.r * 0.3, m.capY - m.r * 0.4), m.r * 1.2);
        red.setColorAt(0, QColor(255, 110, 90));
        red.setColorAt(1, QColor(170, 20, 20));
        p.setBrush(red);
        p.setPen(OutlinePen(QColor(90, 10, 10), 1.0));
        p.drawPath(cap);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 250, 240));
        p.drawEllipse(QPointF(m.x - m.r * 0.4, m.capY - m.r * 0.3), m.r * 0.15, m.r * 0.12);
        p.drawEllipse(QPointF(m.x + m.r * 0.3, m.capY - m.r * 0.45), m.r * 0.12, m.r * 0.1);
        p.drawEllipse(QPointF(m.x + m.r * 0.6, m.capY - m.r * 0.05), m.r * 0.1, m.r * 0.08);
    }
}

void PaintSignpost(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(32, 93), 14, 2);
    QLinearGradient post(27, 0, 37, 0);
    post.setColorAt(0, QColor(90, 55, 25));
    post.setColorAt(1, QColor(150, 100, 55));
    p.setBrush(post);
    p.setPen(OutlinePen(QColor(50, 30, 12), 1.2));
    p.drawRect(QRectF(27, 20, 10, 74));
    // An arrow board pointing onwards, with carved marks.
    QPolygonF board;
    board << QPointF(6, 22) << QPointF(50, 22) << QPointF(61, 33) << QPointF(50, 44)
          << QPointF(6, 44);
    QLinearGradient plank(0, 22, 0, 44);
    plank.setColorAt(0, QColor(210, 160, 95));
    plank.setColorAt(1, QColor(160, 110, 60));
    p.setBrush(plank);
    p.drawPolygon(board);
    p.setPen(OutlinePen(QColor(80, 45, 20), 1.6));
    p.drawLine(QPointF(12, 30), QPointF(40, 30));
    p.drawLine(QPointF(12, 36), QPointF(32, 36));
    p.setBrush(QColor(60, 60, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(32, 28), 1.3, 1.3);
    p.drawEllipse(QPointF(32, 39), 1.3, 1.3);
    p.setBrush(QColor(90, 150, 60));
    p.drawEllipse(QPointF(26, 92), 6, 3);
    p.drawEllipse(QPointF(39, 92), 5, 2.5);
}

// --- Animated decorations -----------------------------------------------------------------

namespace {

void Flame(QPainter& p, QPointF base, double height, double width, double lean) {
    QPainterPath path;
    path.moveTo(base + QPointF(-width / 2, 0));
    path.cubicTo(base + QPointF(-width / 2, -height * 0.5), base + QPointF(lean, -height * 0.6),
                 base + QPointF(lean, -height));
    path.cubicTo(base + QPointF(lean + width * 0.1, -height * 0.55),
                 base + QPointF(width / 2, -height * 0.45), base + QPointF(width / 2, 0));
    path.quadTo(base + QPointF(0, width * 0.3), base + QPointF(-width / 2, 0));
    QLinearGradient fire(base, base + QPointF(0, -height));
    fire.setColorAt(0, QColor(255, 250, 200));
    fire.setColorAt(0.35, QColor(255, 200, 60));
    fire.setColorAt(0.75, QColor(250, 110, 20));
    fire.setColorAt(1, QColor(200, 40, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(fire);
    p.drawPath(path);
}

} // namespace

void PaintTorch(QPainter& p, int frame) {
    static const double heights[4] = {20, 24, 18, 22};
    static const double leans[4] = {-1.5, 1.5, 0.5, -2.5};
    QLinearGradient stick(13, 0, 19, 0);
    stick.setColorAt(0, QColor(90, 55, 25));
    stick.setColorAt(1, QColor(150, 100, 55));
    p.setBrush(stick);
    p.setPen(OutlinePen(QColor(50, 30, 12), 1.0));
    p.drawRect(QRectF(13.5, 34, 5, 29));
    QLinearGradient iron(9, 0, 23, 0);
    iron.setColorAt(0, QColor(70, 70, 80));
    iron.setColorAt(0.4, QColor(160, 160, 170));
    iron.setColorAt(1, QColor(50, 50, 60));
    p.setBrush(iron);
    p.setPen(OutlinePen(QColor(25, 25, 30), 1.0));
    p.drawPolygon(QPolygonF() << QPointF(8, 27) << QPointF(24, 27) << QPointF(20, 36)
                              << QPointF(12, 36));
    Flame(p, QPointF(16, 29), heights[frame] + 4, 15, leans[frame] * 1.2);
    Flame(p, QPointF(16, 29), heights[frame] * 0.6, 8, leans[frame] * 0.6);
    // A spark leaving the flame.
    p.setBrush(QColor(255, 220, 120));
    p.drawEllipse(QPointF(16 + leans[(frame + 1) % 4] * 2, 6 + frame * 2.5), 0.9, 0.9);
}

void PaintTorchGlow(QPainter& p, int frame) {
    static const double radius[4] = {28, 31, 26, 30};
    static const int strength[4] = {190, 230, 170, 215};
    QRadialGradient glow(QPointF(32, 30), radius[frame]);
    const double k = strength[frame] / 255.0;
    glow.setColorAt(
        0, QColor::fromRgbF(1.0f, static_cast<float>(0.85 * k), static_cast<float>(0.55 * k)));
    glow.setColorAt(0.35, QColor::fromRgbF(static_cast<float>(0.8 * k), static_cast<float>(0.4 * k),
                                           static_cast<float>(0.1 * k)));
    glow.setColorAt(1, QColor(0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(32, 30), radius[frame], radius[frame]);
}

void PaintCrystal(QPainter& p, int frame) {
    static const double pulse[4] = {0.8, 1.0, 0.85, 0.7};
    QRadialGradient halo(QPointF(32, 36), 30 * pulse[frame] + 2);
    halo.setColorAt(0, QColor(90, 200, 255, static_cast<int>(200 * pulse[frame])));
    halo.setColorAt(1, QColor(20, 60, 160, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(QPointF(32, 36), 30, 30);
    // Three shards leaning apart, each with a lit and a shaded face.
    const struct {
        double x, height, half, angle;
    } shards[] = {{24, 30, 6, -24}, {42, 26, 5.5, 20}, {32, 50, 9, 0}};
    for (const auto& s : shards) {
        p.save();
        p.translate(s.x, 60);
        p.rotate(s.angle);
        const QPointF tip(0, -s.height);
        const QPointF left(-s.half, -s.height + s.half * 1.6);
        const QPointF right(s.half, -s.height + s.half * 1.6);
        const QPointF lb(-s.half, 0);
        const QPointF rb(s.half, 0);
        const QPointF mid(0, -s.height + s.half * 2);
        const QPointF mb(0, 2);
        p.setPen(OutlinePen(QColor(170, 245, 255), 0.9));
        QLinearGradient lit(lb, tip);
        lit.setColorAt(0, QColor(40, 120, 210));
        lit.setColorAt(1, QColor(150, 230, 255));
        p.setBrush(lit);
        p.drawPolygon(QPolygonF() << tip << left << lb << mb << mid);
        p.setBrush(QColor(25, 80, 170));
        p.drawPolygon(QPolygonF() << tip << mid << mb << rb << right);
        p.restore();
    }
    // Sparkles that move from frame to frame.
    static const QPointF sparks[4] = {QPointF(18, 16), QPointF(46, 12), QPointF(52, 40),
                                      QPointF(12, 44)};
    const QPointF at = sparks[frame];
    p.setPen(OutlinePen(QColor(230, 250, 255), 1.0));
    p.drawLine(at + QPointF(-4, 0), at + QPointF(4, 0));
    p.drawLine(at + QPointF(0, -4), at + QPointF(0, 4));
    const QPointF second = sparks[(frame + 2) % 4];
    p.setPen(OutlinePen(QColor(150, 220, 255), 0.8));
    p.drawLine(second + QPointF(-2.5, 0), second + QPointF(2.5, 0));
    p.drawLine(second + QPointF(0, -2.5), second + QPointF(0, 2.5));
}

void PaintCampfire(QPainter& p, int frame) {
    static const double heights[4][3] = {{30, 22, 18}, {24, 30, 16}, {34, 20, 22}, {26, 26, 14}};
    static const double leans[4] = {-2, 2, 0, -1};
    p.setPen(Qt::NoPen);
    QRadialGradient warm(QPointF(32, 54), 30);
    warm.setColorAt(0, QColor(255, 150, 50, 120));
    warm.setColorAt(1, QColor(255, 120, 30, 0));
    p.setBrush(warm);
    p.drawEllipse(QPointF(32, 52), 30, 12);
    // Crossed logs.
    p.setPen(OutlinePen(QColor(50, 28, 12), 1.0));
    for (int side : {-1, 1}) {
        p.save();
        p.translate(32, 54);
        p.rotate(side * 18);
        QLinearGradient log(0, -4, 0, 4);
        log.setColorAt(0, QColor(150, 95, 50));
        log.setColorAt(1, QColor(80, 45, 20));
        p.setBrush(log);
        p.drawRoundedRect(QRectF(-22, -4, 44, 8), 3, 3);
        p.setBrush(QColor(210, 170, 110));
        p.drawEllipse(QPointF(side * 21, 0), 2.5, 3.5);
        p.restore();
    }
    Flame(p, QPointF(24, 52), heights[frame][1], 14, leans[frame] - 3);
    Flame(p, QPointF(40, 52), heights[frame][2], 14, leans[frame] + 3);
    Flame(p, QPointF(32, 53), heights[frame][0], 18, leans[frame]);
    // Ring of stones.
    Rng rng(341);
    for (int i = 0; i < 7; ++i) {
        const double x = 8 + i * 8;
        QRadialGradient g(QPointF(x - 1, 57), 5);
        g.setColorAt(0, QColor(170, 165, 160));
        g.setColorAt(1, QColor(90, 85, 80));
        p.setBrush(g);
        p.setPen(OutlinePen(QColor(50, 45, 40), 0.8));
        p.drawEllipse(QPointF(x, 59 + rng.Range(-1, 1)), 4.5, 3.5);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 140));
    p.drawEllipse(QPointF(28 + frame * 4, 20 - frame * 3), 1, 1);
    p.drawEllipse(QPointF(40 - frame * 3, 14 + (frame % 2) * 6), 0.8, 0.8);
}

// --- Editor pictures ----------------------------------------------------------------------

void PaintObjectMarker(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 60, 140, 150));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 6, 6);
    QPen dash(QColor(255, 220, 60), 2.0);
    dash.setDashPattern({3, 2});
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 6, 6);
    p.setPen(OutlinePen(QColor(255, 255, 255, 200), 1.2));
    p.drawLine(QPointF(32, 12), QPointF(32, 24));
    p.drawLine(QPointF(32, 40), QPointF(32, 52));
    p.drawLine(QPointF(12, 32), QPointF(24, 32));
    p.drawLine(QPointF(40, 32), QPointF(52, 32));
    p.drawEllipse(QPointF(32, 32), 6, 6);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(9);
    p.setFont(font);
    p.setPen(QColor(255, 230, 120));
    p.drawText(QRectF(3, 50, 58, 11), Qt::AlignCenter, QStringLiteral("OBJ"));
}

void PaintSelectionFrame(QPainter& p, int) {
    // Drawn additively over the selected object: black adds nothing, so only the outline and
    // the corner marks show.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 160, 100), 2));
    p.drawRect(QRectF(1, 1, 126, 126));
    p.setPen(QPen(QColor(120, 255, 160), 4, Qt::SolidLine, Qt::SquareCap));
    const double a = 2;
    const double b = 126;
    const double len = 26;
    for (const auto& [x, y, dx, dy] :
         {std::tuple{a, a, 1.0, 1.0}, {b, a, -1.0, 1.0}, {a, b, 1.0, -1.0}, {b, b, -1.0, -1.0}}) {
        p.drawLine(QPointF(x, y), QPointF(x + dx * len, y));
        p.drawLine(QPointF(x, y), QPointF(x, y + dy * len));
    }
}

void PaintCursor(QPainter& p, int) {
    // Opaque black around the arrow is keyed out by the editor.
    QPainterPath arrow;
    arrow.moveTo(3, 3);
    arrow.lineTo(3, 37);
    arrow.lineTo(12, 28);
    arrow.lineTo(19, 43);
    arrow.lineTo(26, 40);
    arrow.lineTo(19, 26);
    arrow.lineTo(31, 26);
    arrow.closeSubpath();
    QLinearGradient fill(3, 3, 26, 40);
    fill.setColorAt(0, QColor(255, 255, 255));
    fill.setColorAt(1, QColor(190, 215, 255));
    p.setBrush(fill);
    p.setPen(OutlinePen(QColor(40, 60, 110), 2.0));
    p.drawPath(arrow);
}

void PaintAboutCard(QPainter& p, int) {
    VerticalSky(p, 246, 151,
                {{0.0, QColor(15, 15, 50)},
                 {0.55, QColor(90, 45, 100)},
                 {0.85, QColor(220, 110, 80)},
                 {1.0, QColor(250, 170, 90)}});
    Rng rng(401);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor(255, 255, 230, static_cast<int>(rng.Range(80, 230))));
        p.drawEllipse(QPointF(rng.Range(0, 246), rng.Range(0, 70)), 0.6, 0.6);
    }
    QRadialGradient moon(QPointF(222, 20), 12);
    moon.setColorAt(0, QColor(255, 255, 240));
    moon.setColorAt(1, QColor(220, 215, 200));
    p.setBrush(moon);
    p.drawEllipse(QPointF(222, 20), 9, 9);
    // Far mountains, then a hill with a castle against the sunset.
    const Ridge far(402, 246, {{1, 8}, {2, 10}, {5, 4}});
    QPainterPath range;
    range.moveTo(0, 151);
    for (int x = 0; x <= 246; x += 2) {
        range.lineTo(x, 100 + far.At(x));
    }
    range.lineTo(246, 151);
    p.setBrush(QColor(70, 40, 80));
    p.drawPath(range);
    QPainterPath hill;
    hill.moveTo(0, 151);
    hill.lineTo(0, 132);
    hill.cubicTo(60, 118, 120, 112, 180, 122);
    hill.cubicTo(210, 126, 230, 130, 246, 132);
    hill.lineTo(246, 151);
    p.setBrush(QColor(25, 15, 35));
    p.drawPath(hill);
    QPainterPath castle;
    castle.setFillRule(Qt::WindingFill);
    castle.addRect(QRectF(140, 96, 40, 24));
    castle.addRect(QRectF(134, 84, 10, 36));
    castle.addRect(QRectF(176, 84, 10, 36));
    castle.addRect(QRectF(155, 74, 12, 46));
    for (double x : {134.0, 138.0, 142.0, 176.0, 180.0, 184.0}) {
        castle.addRect(QRectF(x, 81, 2.5, 4));
    }
    castle.addPolygon(QPolygonF() << QPointF(153, 74) << QPointF(161, 62) << QPointF(169, 74));
    p.save();
    p.translate(40, 10);
    p.drawPath(castle.simplified());
    p.setBrush(QColor(255, 200, 90));
    for (const QPointF& w :
         {QPointF(160, 82), QPointF(146, 104), QPointF(170, 100), QPointF(138, 92)}) {
        p.drawRect(QRectF(w, QSizeF(2.5, 3.5)));
    }
    p.restore();
    // Title with a shadow, and a subtitle.
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setBold(true);
    title.setPixelSize(27);
    QPainterPath text;
    text.addText(0, 0, title, QStringLiteral("Torvanikian"));
    const QRectF box = text.boundingRect();
    text.translate(123 - box.center().x(), 46 - box.center().y());
    p.setBrush(QColor(0, 0, 0, 160));
    p.drawPath(text.translated(1.5, 2));
    QLinearGradient gold(0, 32, 0, 58);
    gold.setColorAt(0, QColor(255, 245, 170));
    gold.setColorAt(0.5, QColor(240, 185, 60));
    gold.setColorAt(1, QColor(170, 100, 20));
    p.setBrush(gold);
    p.setPen(OutlinePen(QColor(90, 45, 10), 0.8));
    p.drawPath(text);
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setBold(true);
    sub.setPixelSize(10);
    sub.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(sub);
    p.setPen(QColor(250, 230, 200));
    p.drawText(QRectF(0, 60, 246, 14), Qt::AlignCenter, QStringLiteral("MAP EDITOR"));
    p.setPen(QPen(QColor(240, 190, 80), 1));
    p.drawLine(QPointF(62, 76.5), QPointF(184, 76.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 150, 60), 2));
    p.drawRect(QRectF(1, 1, 244, 149));
}

} // namespace demogen
