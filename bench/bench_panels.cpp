// Frames of 1,000 and 10,000 panels drawn through the device layer into a headless 800x600
// back buffer, as the map view draws them (Process, then Draw, for every panel; Present waits
// until the frame is complete). Panels are 64x64 (the software rasteriser's fill rate
// dominates) or 8x8 (the cost per panel dominates); "mixed" makes every draw change texture
// and blend mode, the worst case for batching. Every operator new in the process is counted, and
// the counter "allocs_per_frame" reports how many happened inside the frames.

#include "engine/DXObj.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"

#include <QGuiApplication>
#include <QImage>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <vector>

namespace {
std::atomic<uint64_t> gNewCalls{0};
}

void* operator new(std::size_t size) {
    gNewCalls.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kTextures = 8;

struct Scene {
    tv::THeadlessTarget Target{800, 600};
    tv::TEngineSession Engine{&Target, 800, 600};
    std::vector<tv::TDXTexture*> Textures;
    std::vector<std::unique_ptr<tv::TDXPanelEx>> Panels; // they go before the texture cache

    // mixed: every panel takes the next of eight textures and alternates the blend mode, so
    // that consecutive draws never share state; otherwise all panels share one texture.
    Scene(int count, bool mixed, int size) {
        const tv::PD3DDevice& device = Engine.Device();
        if (!device)
            return;
        device->SetRenderState(tv::D3DRS_ALPHABLENDENABLE, 1);
        device->SetTextureStageState(0, tv::D3DTSS_ALPHAOP, tv::D3DTOP_MODULATE);
        device->SetTextureStageState(0, tv::D3DTSS_MINFILTER, tv::D3DTEXF_LINEAR);
        device->SetTextureStageState(0, tv::D3DTSS_MAGFILTER, tv::D3DTEXF_LINEAR);
        tv::D3DMATRIX projection;
        tv::D3DXMatrixOrthoOffCenterLH(&projection, 0, 800, 600, 0, -10, 10);
        device->SetTransform(tv::D3DTS_PROJECTION, &projection);
        for (int i = 0; i < kTextures; ++i) {
            QImage strip(256, 64, QImage::Format_ARGB32);
            strip.fill(QColor::fromHsv(i * 40, 200, 255, 200));
            auto* texture = new tv::TDXTexture(device, "bench" + std::to_string(i), true, 0, false);
            tv::D3DXCreateTextureFromImage(device, strip, 0, 0, 1, 0, 0, tv::D3DPOOL_MANAGED,
                                           tv::D3DX_FILTER_NONE, tv::D3DX_FILTER_NONE, 0,
                                           &texture->Texture);
            Textures.push_back(Engine.Textures()->AddTexture(texture, 0));
        }
        std::mt19937 random(7);
        for (int i = 0; i < count; ++i) {
            tv::TDXTexture* texture = Textures[mixed ? i % kTextures : 0];
            auto panel = std::make_unique<tv::TDXPanelEx>(
                device,
                tv::TDXBounds{static_cast<int32_t>(random() % 760),
                              static_cast<int32_t>(random() % 560), size, size},
                0xFFFFFFFFu, texture, "", true, nullptr);
            if (mixed && i % 2)
                panel->Blend = tv::bl_add;
            panel->SetAnimation(64, 64, 8, true);
            Panels.push_back(std::move(panel));
        }
    }

    void Frame() {
        tv::TD3DDevice& device = *tv::D3DDevice;
        device.Clear(0, nullptr, tv::D3DCLEAR_TARGET, 0xFF000055u, 1.0f, 0);
        device.BeginScene();
        for (const auto& panel : Panels) {
            panel->Process();
            panel->Draw();
        }
        device.EndScene();
        device.Present();
    }
};

void BM_DrawPanels(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), state.range(1) != 0,
                static_cast<int>(state.range(2)));
    if (!tv::D3DDevice) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    scene.Frame(); // warm up
    const tv::TDeviceStats before = tv::D3DDevice->Stats();
    uint64_t allocations = 0;
    for (auto _ : state) {
        const uint64_t start = gNewCalls.load(std::memory_order_relaxed);
        scene.Frame();
        allocations += gNewCalls.load(std::memory_order_relaxed) - start;
    }
    const tv::TDeviceStats& after = tv::D3DDevice->Stats();
    const double frames = static_cast<double>(state.iterations());
    state.counters["panels"] = static_cast<double>(state.range(0));
    state.counters["allocs_per_frame"] = static_cast<double>(allocations) / frames;
    state.counters["gl_draws_per_frame"] =
        static_cast<double>(after.BatchesFlushed - before.BatchesFlushed) / frames;
    state.counters["panels_per_s"] = benchmark::Counter(
        static_cast<double>(state.range(0)) * frames, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_DrawPanels)
    ->ArgNames({"panels", "mixed", "size"})
    ->ArgsProduct({{1000, 10000}, {0, 1}, {64, 8}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
