#include "engine/Device.h"

#include "engine/D3DXMath.h"
#include "engine/ShaderProgram.h"

#include <QEvent>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QPlatformSurfaceEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>

namespace tv {

namespace {

constexpr size_t kBatchCapacity = 6 * 4096; // vertices; a multiple of 3

TBatchSampling& WantedBatchSampling() {
    static TBatchSampling sampling = TBatchSampling::Automatic;
    return sampling;
}

QSurfaceFormat DeviceSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}

class TSteadyPresentClock : public IPresentClock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    void SleepUntil(TimePoint when) override { std::this_thread::sleep_until(when); }
};

IPresentClock& SteadyPresentClock() {
    static TSteadyPresentClock clock;
    return clock;
}

bool HaveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

bool IsSupportedFormat(uint32_t format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTexCoord;
layout(location = 3) in int aSlot;
uniform mat4 uViewProjection;
out vec4 vColor;
out vec2 vTexCoord;
flat out int vSlot;
void main() {
    vec4 p = uViewProjection * aPosition;
    // The projection maps depth to 0..w; OpenGL clips to -w..w.
    p.z = p.z * 2.0 - p.w;
    gl_Position = p;
    vColor = aColor;
    vTexCoord = aTexCoord;
    vSlot = aSlot;
}
)";

// The fragment shader's inputs (after the version line), and the generic way of combining
// texture and colour: by the operations in uniforms. Sample() is made for the way of
// sampling, see FragmentShader; CombinedFragmentMain makes a main for one set of operations.
const char* kFragmentInputs = R"(in vec4 vColor;
in vec2 vTexCoord;
flat in int vSlot;
uniform int uHasTexture;)";

const char* kFragmentCombine = R"(uniform ivec3 uColorOp;
uniform ivec3 uAlphaOp;
uniform vec4 uFactor;
out vec4 fragColor;
vec4 Arg(int a, vec4 tex) {
    if (a == 2) return tex;
    if (a == 3) return uFactor;
    return vColor;
}
vec4 Combine(ivec3 op, vec4 tex) {
    vec4 a1 = Arg(op.y, tex);
    vec4 a2 = Arg(op.z, tex);
    if (op.x == 1) return vColor;
    if (op.x == 2) return a1;
    if (op.x == 3) return a2;
    return a1 * a2;
}
void main() {
    vec4 tex = uHasTexture != 0 ? Sample() : vec4(1.0);
    fragColor = vec4(Combine(uColorOp, tex).rgb, Combine(uAlphaOp, tex).a);
}
)";

// The fragment shader for a batch of up to slotCount textures. Indexed: the slot, the same for
// every fragment of a triangle, indexes the sampler array (the software renderers shade one
// triangle at a time, so the index never differs within one run of the shader). Branches:
// a switch with a constant element in each case, and the derivatives taken before it, where
// every fragment of a quad still runs, so that filtering is as without branches. With one
// slot, neither: a batch of one texture samples it directly, which the software renderers do
// markedly faster than through an index.
std::string FragmentShader(TBatchSampling sampling, int slotCount, const std::string& main) {
    std::string source =
        sampling == TBatchSampling::IndexedArray ? "#version 400 core\n" : "#version 330 core\n";
    source += kFragmentInputs;
    source += "\nuniform sampler2D uTextures[" + std::to_string(slotCount) + "];\n";
    source += "vec4 Sample() {\n";
    if (slotCount == 1) {
        source += "    return texture(uTextures[0], vTexCoord);\n";
    } else if (sampling == TBatchSampling::IndexedArray) {
        source += "    return texture(uTextures[vSlot], vTexCoord);\n";
    } else {
        source += "    vec2 dx = dFdx(vTexCoord), dy = dFdy(vTexCoord);\n    switch (vSlot) {\n";
        for (int i = 0; i < slotCount; ++i) {
            const std::string n = std::to_string(i);
            source += (i + 1 < slotCount ? "    case " + n + ":" : std::string("    default:")) +
                      " return textureGrad(uTextures[" + n + "], vTexCoord, dx, dy);\n";
        }
        source += "    }\n";
    }
    source += "}\n";
    source += main;
    return source;
}

// A stage 0 argument and operation as GLSL, as Arg and Combine of the generic shader take
// them (the same products of the same values, so the same pixels).
std::string CombineArg(uint32_t arg) {
    return arg == D3DTA_TEXTURE ? "tex" : arg == D3DTA_TFACTOR ? "uFactor" : "vColor";
}

std::string CombineOp(uint32_t op, uint32_t arg1, uint32_t arg2) {
    switch (op) {
    case D3DTOP_DISABLE:
        return "vColor";
    case D3DTOP_SELECTARG1:
        return CombineArg(arg1);
    case D3DTOP_SELECTARG2:
        return CombineArg(arg2);
    default:
        return "(" + CombineArg(arg1) + " * " + CombineArg(arg2) + ")";
    }
}

GLenum GlBlend(uint32_t blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLint GlFilter(uint32_t filter) {
    return filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

GLint GlAddress(uint32_t address) {
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Device windows

TDeviceWindow::~TDeviceWindow() {
    if (device_)
        device_->WindowGoing();
}

void TDeviceWindow::SurfaceGoing() {
    if (device_)
        device_->SurfaceGoing();
}

class TWindowTarget::Watcher : public QObject {
public:
    explicit Watcher(TWindowTarget& target) : target_(target) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
            target_.SurfaceGoing();
        return QObject::eventFilter(watched, event);
    }

private:
    TWindowTarget& target_;
};

TWindowTarget::TWindowTarget(QWindow* window)
    : window_(window), watcher_(std::make_unique<Watcher>(*this)) {
    if (!window)
        return;
    if (!window->handle()) {
        window->setSurfaceType(QSurface::OpenGLSurface);
        window->setFormat(DeviceSurfaceFormat());
    }
    window->installEventFilter(watcher_.get());
}

TWindowTarget::~TWindowTarget() {
    SurfaceGoing();
    if (window_)
        window_->removeEventFilter(watcher_.get());
}

QSize TWindowTarget::ClientSize() const {
    if (!window_)
        return {};
    const qreal ratio = window_->devicePixelRatio();
    return QSize(static_cast<int>(std::lround(window_->width() * ratio)),
                 static_cast<int>(std::lround(window_->height() * ratio)));
}

bool TWindowTarget::CanDraw() const {
    return window_ && window_->handle() && window_->isExposed() && !ClientSize().isEmpty();
}

QWindow* TWindowTarget::Window() const {
    return window_;
}

double TWindowTarget::RefreshRate() const {
    const QScreen* screen = window_ ? window_->screen() : QGuiApplication::primaryScreen();
    const double rate = screen ? screen->refreshRate() : 0.0;
    return rate >= 1.0 ? rate : 60.0;
}

// ---------------------------------------------------------------------------------------------
// Direct3D object

PD3DObject TD3DObject::Create(uint32_t sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || !HaveGuiApplication())
        return nullptr;
    QOpenGLContext context;
    context.setFormat(DeviceSurfaceFormat());
    if (!context.create())
        return nullptr;
    const QSurfaceFormat got = context.format();
    if (got.renderableType() != QSurfaceFormat::OpenGL ||
        std::make_pair(got.majorVersion(), got.minorVersion()) < std::make_pair(3, 3))
        return nullptr;
    QOffscreenSurface surface;
    surface.setFormat(got);
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return nullptr;
    const bool ok = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    context.doneCurrent();
    return ok ? std::make_shared<TD3DObject>(Token{}) : nullptr;
}

HRESULT TD3DObject::GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) const {
    if (adapter != D3DADAPTER_DEFAULT || !mode)
        return D3DERR_INVALIDCALL;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return D3DERR_NOTAVAILABLE;
    const QSize size = screen->size() * screen->devicePixelRatio();
    mode->Width = static_cast<uint32_t>(size.width());
    mode->Height = static_cast<uint32_t>(size.height());
    mode->RefreshRate = static_cast<uint32_t>(std::lround(std::max(0.0, screen->refreshRate())));
    mode->Format = screen->depth() == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT TD3DObject::CreateDevice(uint32_t adapter, uint32_t deviceType, HWND focusWindow,
                                 uint32_t /*behaviorFlags*/, D3DPRESENT_PARAMETERS* params,
                                 PD3DDevice* device) {
    lastError_.clear();
    if (!device) {
        lastError_ = "no place for the device";
        return D3DERR_INVALIDCALL;
    }
    device->reset();
    if (adapter != D3DADAPTER_DEFAULT || !params ||
        (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF)) {
        lastError_ = "unsupported adapter, device type or parameters";
        return D3DERR_INVALIDCALL;
    }
    const HWND window = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
    if (!window) {
        lastError_ = "no device window";
        return D3DERR_INVALIDCALL;
    }
    auto made = std::make_shared<TD3DDevice>(TD3DDevice::Token{}, shared_from_this());
    const HRESULT hr = made->Initialise(window, *params, deviceType, lastError_);
    if (FAILED(hr))
        return hr;
    *device = std::move(made);
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Device

struct TD3DDevice::GlProgram {
    GLuint Name = 0;
    GLint ViewProjectionLoc = -1, HasTextureLoc = -1, ColorOpLoc = -1, AlphaOpLoc = -1;
    GLint FactorLoc = -1;
};

struct TD3DDevice::Gl {
    std::unique_ptr<QOpenGLContext> Context;
    std::unique_ptr<QOffscreenSurface> Offscreen;
    QOpenGLFunctions_3_3_Core* F = nullptr;
    // The generic program takes the stage 0 operations from uniforms; a program made for one
    // set of them (by CombineKey) does less for every pixel. Generic stands in for one that
    // the driver refused.
    GlProgram Generic;
    std::unordered_map<uint64_t, GlProgram> Combined;
    const GlProgram* Current = nullptr;
    GLuint Vao = 0, Vbo = 0, Sampler = 0;
    GLuint Fbo = 0, ColorBuffer = 0;
    // What the last batch set up, so that the next one changes only what differs.
    bool Applied = false;
    DrawState Last;
    // The textures bound to the units of the slots; unknown once anything bound on unit 0
    // (making, locking and writing textures do) or deleted a texture.
    GLuint BoundTextures[kMaxBatchSlots] = {};
    bool TextureKnown = false;
    bool LastHasTexture = false;
    // Batches are appended to the stream buffer, which is orphaned only when full.
    size_t StreamOffset = 0;
    // The kept pictures: a framebuffer and colour buffer each, made at the first keeping.
    struct KeptPicture {
        GLuint Fbo = 0, ColorBuffer = 0;
        bool Filled = false;
    };
    KeptPicture Kept[TD3DDevice::kKeptPictureSlots];
};

void SetBatchSampling(TBatchSampling sampling) {
    WantedBatchSampling() = sampling;
}

TD3DDevice::TD3DDevice(Token, PD3DObject object)
    : object_(std::move(object)), presentClock_(&SteadyPresentClock()) {}

TD3DDevice::~TD3DDevice() {
    if (window_ && window_->device_ == this)
        window_->device_ = nullptr;
    if (!gl_)
        return;
    if (!HaveGuiApplication()) {
        // The platform is gone: its objects cannot be destroyed any more.
        (void)gl_->Context.release();
        (void)gl_->Offscreen.release();
        return;
    }
    if (MakeCurrent()) {
        DropPictures();
        auto* f = gl_->F;
        f->glDeleteFramebuffers(1, &gl_->Fbo);
        f->glDeleteRenderbuffers(1, &gl_->ColorBuffer);
        f->glDeleteSamplers(1, &gl_->Sampler);
        f->glDeleteBuffers(1, &gl_->Vbo);
        f->glDeleteVertexArrays(1, &gl_->Vao);
        for (const auto& [key, program] : gl_->Combined)
            if (program.Name != gl_->Generic.Name)
                f->glDeleteProgram(program.Name);
        f->glDeleteProgram(gl_->Generic.Name);
        gl_->Context->doneCurrent();
    }
}

bool TD3DDevice::GlAlive() const {
    return gl_ && gl_->F && HaveGuiApplication();
}

bool TD3DDevice::MakeCurrent() {
    if (!gl_ || !gl_->Context)
        return false;
    QOpenGLContext* context = gl_->Context.get();
    if (QOpenGLContext::currentContext() == context && context->surface())
        return true;
    return context->makeCurrent(gl_->Offscreen.get());
}

QSize TD3DDevice::WantedBackBufferSize(const D3DPRESENT_PARAMETERS& params) const {
    if (params.Windowed == 0)
        return QSize(static_cast<int>(std::min<uint32_t>(params.BackBufferWidth, INT32_MAX)),
                     static_cast<int>(std::min<uint32_t>(params.BackBufferHeight, INT32_MAX)));
    QSize size = window_ ? window_->ClientSize() : QSize();
    // A window that is not laid out yet gets a one-pixel back buffer; the first frame after it
    // shows up resets the device to its real size.
    return size.expandedTo(QSize(1, 1));
}

HRESULT TD3DDevice::Initialise(HWND window, const D3DPRESENT_PARAMETERS& params,
                               uint32_t deviceType, std::string& failure) {
    if (!HaveGuiApplication()) {
        failure = "no GUI application";
        return D3DERR_NOTAVAILABLE;
    }
    if (QWindow* w = window->Window();
        w && w->handle() && w->surfaceType() != QSurface::OpenGLSurface) {
        failure = "the window was made without an OpenGL surface";
        return D3DERR_INVALIDCALL;
    }
    window_ = window;
    windowed_ = params.Windowed != 0;
    deviceType_ = deviceType;

    gl_ = std::make_unique<Gl>();
    gl_->Context = std::make_unique<QOpenGLContext>();
    gl_->Context->setFormat(DeviceSurfaceFormat());
    if (!gl_->Context->create()) {
        failure = "no OpenGL 3.3 core context";
        return D3DERR_NOTAVAILABLE;
    }
    gl_->Offscreen = std::make_unique<QOffscreenSurface>();
    gl_->Offscreen->setFormat(gl_->Context->format());
    if (QWindow* w = window->Window(); w && w->screen())
        gl_->Offscreen->setScreen(w->screen());
    gl_->Offscreen->create();
    if (!gl_->Offscreen->isValid() || !gl_->Context->makeCurrent(gl_->Offscreen.get())) {
        failure = "the OpenGL context cannot be made current";
        return D3DERR_NOTAVAILABLE;
    }
    auto* f = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(gl_->Context.get());
    if (!f || !f->initializeOpenGLFunctions()) {
        failure = "no OpenGL 3.3 core functions";
        return D3DERR_NOTAVAILABLE;
    }
    gl_->F = f;

    GLint units = 0;
    f->glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    batchSlotCount_ = std::clamp(units, 1, kMaxBatchSlots);
    batchSampling_ = WantedBatchSampling();
    const QSurfaceFormat got = gl_->Context->format();
    const bool glsl400 =
        std::make_pair(got.majorVersion(), got.minorVersion()) >= std::make_pair(4, 0);
    if (batchSampling_ == TBatchSampling::Automatic) {
        const auto* renderer = reinterpret_cast<const char*>(f->glGetString(GL_RENDERER));
        const std::string name = renderer ? renderer : "";
        const bool software = name.find("llvmpipe") != std::string::npos ||
                              name.find("softpipe") != std::string::npos;
        batchSampling_ = software ? TBatchSampling::IndexedArray : TBatchSampling::Branches;
    }
    if (!glsl400)
        batchSampling_ = TBatchSampling::Branches;
    if (!LinkProgram(kFragmentCombine, batchSlotCount_, gl_->Generic, failure))
        return D3DERR_NOTAVAILABLE;

    // The batch stream: position (4 floats), colour (BGRA bytes), texture coordinate, slot.
    f->glGenVertexArrays(1, &gl_->Vao);
    f->glGenBuffers(1, &gl_->Vbo);
    f->glBindVertexArray(gl_->Vao);
    f->glBindBuffer(GL_ARRAY_BUFFER, gl_->Vbo);
    f->glBufferData(GL_ARRAY_BUFFER, kBatchCapacity * sizeof(BatchVertex), nullptr, GL_STREAM_DRAW);
    f->glEnableVertexAttribArray(0);
    f->glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(BatchVertex),
                             reinterpret_cast<void*>(offsetof(BatchVertex, X)));
    f->glEnableVertexAttribArray(1);
    f->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(BatchVertex),
                             reinterpret_cast<void*>(offsetof(BatchVertex, Color)));
    f->glEnableVertexAttribArray(2);
    f->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(BatchVertex),
                             reinterpret_cast<void*>(offsetof(BatchVertex, U)));
    f->glEnableVertexAttribArray(3);
    f->glVertexAttribIPointer(3, 1, GL_INT, sizeof(BatchVertex),
                              reinterpret_cast<void*>(offsetof(BatchVertex, Slot)));
    f->glGenSamplers(1, &gl_->Sampler);
    f->glGenFramebuffers(1, &gl_->Fbo);
    f->glGenRenderbuffers(1, &gl_->ColorBuffer);
    f->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    f->glDisable(GL_DEPTH_TEST);
    f->glDisable(GL_CULL_FACE);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    f->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    if (const QSize size = WantedBackBufferSize(params); !CreateBackBuffer(size)) {
        failure = "no back buffer of " + std::to_string(size.width()) + " x " +
                  std::to_string(size.height()) + " pixels";
        return D3DERR_INVALIDCALL;
    }
    batch_.resize(kBatchCapacity);
    SetDefaultStates();
    if (window_->device_)
        window_->device_->window_ = nullptr;
    window_->device_ = this;
    return D3D_OK;
}

bool TD3DDevice::LinkProgram(const std::string& main, int slotCount, GlProgram& made,
                             std::string& failure) {
    auto* f = gl_->F;
    TShaderProgram program = BuildShaderProgram(
        *f, kVertexShader, FragmentShader(batchSampling_, slotCount, main).c_str());
    if (!program.Program) {
        failure = std::move(program.Error);
        return false;
    }
    made.Name = program.Program;
    made.ViewProjectionLoc = f->glGetUniformLocation(made.Name, "uViewProjection");
    made.HasTextureLoc = f->glGetUniformLocation(made.Name, "uHasTexture");
    made.ColorOpLoc = f->glGetUniformLocation(made.Name, "uColorOp");
    made.AlphaOpLoc = f->glGetUniformLocation(made.Name, "uAlphaOp");
    made.FactorLoc = f->glGetUniformLocation(made.Name, "uFactor");
    GLint units[kMaxBatchSlots];
    for (int i = 0; i < slotCount; ++i)
        units[i] = i;
    f->glUseProgram(made.Name);
    f->glUniform1iv(f->glGetUniformLocation(made.Name, "uTextures"), slotCount, units);
    gl_->Current = nullptr;
    return true;
}

const TD3DDevice::GlProgram& TD3DDevice::ProgramFor(const DrawState& s, bool oneTexture) {
    oneTexture = oneTexture || batchSlotCount_ == 1;
    const uint64_t key = uint64_t{oneTexture} << 56 | uint64_t{s.HasTexture} << 48 |
                         uint64_t{s.ColorOp & 0xFF} << 40 | uint64_t{s.ColorArg1} << 36 |
                         uint64_t{s.ColorArg2} << 32 | uint64_t{s.AlphaOp & 0xFF} << 8 |
                         uint64_t{s.AlphaArg1} << 4 | s.AlphaArg2;
    const auto found = gl_->Combined.find(key);
    if (found != gl_->Combined.end())
        return found->second;
    const std::string main =
        std::string("uniform vec4 uFactor;\nout vec4 fragColor;\nvoid main() {\n    vec4 tex = ") +
        (s.HasTexture ? "Sample()" : "vec4(1.0)") + ";\n    fragColor = vec4(" +
        CombineOp(s.ColorOp, s.ColorArg1, s.ColorArg2) + ".rgb, " +
        CombineOp(s.AlphaOp, s.AlphaArg1, s.AlphaArg2) + ".a);\n}\n";
    GlProgram made;
    std::string failure;
    if (!LinkProgram(main, oneTexture ? 1 : batchSlotCount_, made, failure))
        made = gl_->Generic; // the refusal is on standard error
    return gl_->Combined.emplace(key, made).first->second;
}

bool TD3DDevice::CreateBackBuffer(QSize size) {
    GLint maxSize = 0;
    auto* f = gl_->F;
    f->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (size.width() <= 0 || size.height() <= 0 || size.width() > maxSize ||
        size.height() > maxSize)
        return false;
    DropPictures(); // of the old size
    f->glBindRenderbuffer(GL_RENDERBUFFER, gl_->ColorBuffer);
    f->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size.width(), size.height());
    f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
    f->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                 gl_->ColorBuffer);
    if (f->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    backBufferSize_ = size;
    gl_->Applied = false;
    gl_->TextureKnown = false;
    f->glViewport(0, 0, size.width(), size.height());
    f->glClearColor(0, 0, 0, 1);
    f->glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void TD3DDevice::SetDefaultStates() {
    std::fill(std::begin(renderStates_), std::end(renderStates_), 0u);
    renderStates_[D3DRS_ZENABLE] = 0; // no depth buffer
    renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates_[D3DRS_ALPHABLENDENABLE] = 0;
    renderStates_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    renderStates_[D3DRS_LIGHTING] = 1;
    renderStates_[D3DRS_COLORVERTEX] = 1;
    for (uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
        uint32_t* s = stageStates_[stage];
        std::fill(s, s + kTextureStageStateCount, 0u);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    }
    world_ = view_ = projection_ = MakeIdentityMatrix();
    material_ = D3DMATERIAL8{};
    std::fill(std::begin(textures_), std::end(textures_), nullptr);
    fvf_ = 0;
    stream_ = nullptr;
    streamStride_ = 0;
    batchCount_ = 0;
    batchTextureCount_ = 0;
    stateDirty_ = true;
    inScene_ = false;
}

HRESULT TD3DDevice::TestCooperativeLevel() {
    if (!window_ || !window_->CanDraw() || !GlAlive()) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    if (lost_ || (windowed_ && window_->ClientSize() != backBufferSize_))
        return D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

HRESULT TD3DDevice::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    if (!window_ || !window_->CanDraw() || !GlAlive() || !MakeCurrent()) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    batchCount_ = 0;
    batchTextureCount_ = 0;
    const bool windowed = params->Windowed != 0;
    const bool wasWindowed = windowed_;
    windowed_ = windowed;
    if (!CreateBackBuffer(WantedBackBufferSize(*params))) {
        windowed_ = wasWindowed;
        return D3DERR_INVALIDCALL;
    }
    SetDefaultStates();
    clip_.reset();
    lost_ = false;
    return D3D_OK;
}

HRESULT TD3DDevice::Clear(uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color,
                          float /*z*/, uint32_t /*stencil*/) {
    if (!(flags & D3DCLEAR_TARGET))
        return D3D_OK; // no depth or stencil buffer to clear
    if (!GlAlive())
        return D3DERR_DEVICELOST;
    Flush();
    if (!MakeCurrent())
        return D3DERR_DEVICELOST;
    auto* f = gl_->F;
    f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
    f->glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                    (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
    D3DRECT clipped;
    if ((count == 0 || !rects) && clip_) {
        clipped = D3DRECT{clip_->Left, clip_->Top, clip_->Right, clip_->Bottom};
        count = 1;
        rects = &clipped;
    }
    if (count == 0 || !rects) {
        f->glClear(GL_COLOR_BUFFER_BIT);
        return D3D_OK;
    }
    f->glEnable(GL_SCISSOR_TEST);
    const int h = backBufferSize_.height();
    for (uint32_t i = 0; i < count; ++i) {
        TRect r{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        if (!ClipRect(r, TRect{0, 0, backBufferSize_.width(), h}))
            continue;
        f->glScissor(r.Left, h - r.Bottom, r.Right - r.Left, r.Bottom - r.Top);
        f->glClear(GL_COLOR_BUFFER_BIT);
    }
    f->glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

HRESULT TD3DDevice::BeginScene() {
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT TD3DDevice::EndScene() {
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    Flush();
    return D3D_OK;
}

HRESULT TD3DDevice::Present(const TRect* source, const TRect* dest, HWND overrideWindow,
                            const void* dirtyRegion) {
    if (source || dest || overrideWindow || dirtyRegion)
        return D3DERR_INVALIDCALL;
    Flush();
    if (lost_ || !window_ || !window_->CanDraw() || !GlAlive()) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    ++stats_.Presents;
    QWindow* window = window_->Window();
    if (!window) {
        // Headless: the frame is complete when Present returns, as after a swap.
        if (MakeCurrent())
            gl_->F->glFinish();
        return D3D_OK;
    }
    QOpenGLContext* context = gl_->Context.get();
    if (!context->makeCurrent(window)) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    auto* f = gl_->F;
    const QSize target = window_->ClientSize();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, gl_->Fbo);
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, context->defaultFramebufferObject());
    f->glDisable(GL_SCISSOR_TEST); // the whole picture is shown
    const bool scaled = target != backBufferSize_;
    f->glBlitFramebuffer(0, 0, backBufferSize_.width(), backBufferSize_.height(), 0, 0,
                         target.width(), target.height(), GL_COLOR_BUFFER_BIT,
                         scaled ? GL_LINEAR : GL_NEAREST);
    f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
    const auto swapStart = presentClock_->Now();
    context->swapBuffers(window);
    PaceAfterSwap(swapStart);
    return D3D_OK;
}

void TD3DDevice::PaceAfterSwap(IPresentClock::TimePoint swapStart) {
    using namespace std::chrono;
    const auto period =
        duration_cast<steady_clock::duration>(duration<double>(1.0 / window_->RefreshRate()));
    // A swap that returned in well under a refresh period did not wait for the display (Xvfb,
    // some drivers): keep presents one period apart, so that an idle editor does not spin a
    // core. A swap that waited has paced the frame already.
    const auto now = presentClock_->Now();
    if (now - swapStart < period / 2 && lastPresent_) {
        const auto next = *lastPresent_ + period;
        if (now < next) {
            ++stats_.PresentSleeps;
            presentClock_->SleepUntil(next);
        }
    }
    lastPresent_ = presentClock_->Now();
}

void TD3DDevice::SetClipRect(const TRect* rect) {
    const std::optional<TRect> clip = rect ? std::optional<TRect>(*rect) : std::nullopt;
    if (clip.has_value() == clip_.has_value() &&
        (!clip || std::memcmp(&*clip, &*clip_, sizeof *clip) == 0))
        return;
    Flush(); // what was drawn so far keeps the limit it was drawn with
    clip_ = clip;
}

void TD3DDevice::ApplyClip() {
    auto* f = gl_->F;
    if (!clip_) {
        f->glDisable(GL_SCISSOR_TEST);
        return;
    }
    TRect r = *clip_;
    const int h = backBufferSize_.height();
    if (!ClipRect(r, TRect{0, 0, backBufferSize_.width(), h}))
        r = TRect{0, 0, 0, 0};
    f->glEnable(GL_SCISSOR_TEST);
    f->glScissor(r.Left, h - r.Bottom, r.Right - r.Left, r.Bottom - r.Top);
}

HRESULT TD3DDevice::KeepPicture(uint32_t slot) {
    if (slot >= kKeptPictureSlots)
        return D3DERR_INVALIDCALL;
    Flush();
    if (!GlAlive() || !MakeCurrent())
        return D3DERR_DEVICELOST;
    auto* f = gl_->F;
    Gl::KeptPicture& kept = gl_->Kept[slot];
    if (!kept.Fbo) {
        f->glGenFramebuffers(1, &kept.Fbo);
        f->glGenRenderbuffers(1, &kept.ColorBuffer);
        f->glBindRenderbuffer(GL_RENDERBUFFER, kept.ColorBuffer);
        f->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, backBufferSize_.width(),
                                 backBufferSize_.height());
        f->glBindFramebuffer(GL_FRAMEBUFFER, kept.Fbo);
        f->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                     kept.ColorBuffer);
        const bool complete =
            f->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
        if (!complete) {
            f->glDeleteFramebuffers(1, &kept.Fbo);
            f->glDeleteRenderbuffers(1, &kept.ColorBuffer);
            kept = {};
            return D3DERR_OUTOFVIDEOMEMORY;
        }
    }
    CopyPicture(gl_->Fbo, kept.Fbo);
    kept.Filled = true;
    ++stats_.PicturesKept;
    return D3D_OK;
}

HRESULT TD3DDevice::RestorePicture(uint32_t slot) {
    if (slot >= kKeptPictureSlots || !gl_ || !gl_->Kept[slot].Filled)
        return D3DERR_INVALIDCALL;
    Flush();
    if (!GlAlive() || !MakeCurrent())
        return D3DERR_DEVICELOST;
    CopyPicture(gl_->Kept[slot].Fbo, gl_->Fbo);
    ++stats_.PicturesRestored;
    return D3D_OK;
}

void TD3DDevice::DropPictures() {
    if (!GlAlive() || !MakeCurrent())
        return;
    auto* f = gl_->F;
    for (Gl::KeptPicture& kept : gl_->Kept) {
        if (kept.Fbo) {
            f->glDeleteFramebuffers(1, &kept.Fbo);
            f->glDeleteRenderbuffers(1, &kept.ColorBuffer);
        }
        kept = {};
    }
}

void TD3DDevice::CopyPicture(unsigned from, unsigned to) {
    auto* f = gl_->F;
    const int w = backBufferSize_.width(), h = backBufferSize_.height();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    // The whole picture, whatever the clip: the next batch limits drawing again.
    f->glDisable(GL_SCISSOR_TEST);
    f->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
}

void TD3DDevice::WaitForRefresh() {
    using namespace std::chrono;
    const double rate = window_ ? window_->RefreshRate() : 60.0;
    const auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / rate));
    const auto now = presentClock_->Now();
    if (lastPresent_ && now < *lastPresent_ + period) {
        ++stats_.RefreshWaits;
        presentClock_->SleepUntil(*lastPresent_ + period);
    } else if (!lastPresent_) {
        ++stats_.RefreshWaits;
        presentClock_->SleepUntil(now + period);
    }
    lastPresent_ = presentClock_->Now();
}

void TD3DDevice::SetPresentClock(IPresentClock* clock) {
    presentClock_ = clock ? clock : &SteadyPresentClock();
    lastPresent_.reset(); // a time of another clock means nothing to this one
}

HRESULT TD3DDevice::SetRenderState(uint32_t state, uint32_t value) {
    if (state >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    if (renderStates_[state] == value)
        return D3D_OK;
    renderStates_[state] = value;
    switch (state) {
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_TEXTUREFACTOR:
        MarkDirty();
        break;
    default:
        break;
    }
    return D3D_OK;
}

HRESULT TD3DDevice::GetRenderState(uint32_t state, uint32_t* value) const {
    if (state >= kRenderStateCount || !value)
        return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT TD3DDevice::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) {
    if (stage >= kTextureStageCount || type >= kTextureStageStateCount)
        return D3DERR_INVALIDCALL;
    if (stageStates_[stage][type] == value)
        return D3D_OK;
    stageStates_[stage][type] = value;
    if (stage == 0)
        MarkDirty();
    return D3D_OK;
}

HRESULT TD3DDevice::GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const {
    if (stage >= kTextureStageCount || type >= kTextureStageStateCount || !value)
        return D3DERR_INVALIDCALL;
    *value = stageStates_[stage][type];
    return D3D_OK;
}

HRESULT TD3DDevice::SetTransform(uint32_t state, const D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    switch (state) {
    case D3DTS_WORLD:
        world_ = *matrix;
        return D3D_OK;
    case D3DTS_VIEW:
        view_ = *matrix;
        MarkDirty();
        return D3D_OK;
    case D3DTS_PROJECTION:
        projection_ = *matrix;
        MarkDirty();
        return D3D_OK;
    default:
        return D3DERR_INVALIDCALL;
    }
}

HRESULT TD3DDevice::GetTransform(uint32_t state, D3DMATRIX* matrix) const {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    switch (state) {
    case D3DTS_WORLD:
        *matrix = world_;
        return D3D_OK;
    case D3DTS_VIEW:
        *matrix = view_;
        return D3D_OK;
    case D3DTS_PROJECTION:
        *matrix = projection_;
        return D3D_OK;
    default:
        return D3DERR_INVALIDCALL;
    }
}

HRESULT TD3DDevice::SetMaterial(const D3DMATERIAL8* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT TD3DDevice::GetMaterial(D3DMATERIAL8* material) const {
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT TD3DDevice::SetTexture(uint32_t stage, TD3DTexture* texture) {
    if (stage >= kTextureStageCount)
        return D3DERR_INVALIDCALL;
    if (texture && texture->device_.get() != this)
        return D3DERR_INVALIDCALL;
    if (textures_[stage] != texture) {
        // Another texture only takes a slot of the batch; none or one again changes its state.
        if (stage == 0 && (textures_[0] == nullptr) != (texture == nullptr))
            MarkDirty();
        textures_[stage] = texture;
    }
    return D3D_OK;
}

TD3DTexture* TD3DDevice::GetTexture(uint32_t stage) const {
    return stage < kTextureStageCount ? textures_[stage] : nullptr;
}

HRESULT TD3DDevice::SetVertexShader(uint32_t fvf) {
    if (fvf != kPanelFVF)
        return D3DERR_INVALIDCALL;
    fvf_ = fvf;
    return D3D_OK;
}

HRESULT TD3DDevice::SetStreamSource(uint32_t stream, TD3DVertexBuffer* buffer, uint32_t stride) {
    if (stream != 0 || (buffer && buffer->device_.get() != this))
        return D3DERR_INVALIDCALL;
    stream_ = buffer;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT TD3DDevice::GetStreamSource(uint32_t stream, TD3DVertexBuffer** buffer,
                                    uint32_t* stride) const {
    if (stream != 0 || !buffer || !stride)
        return D3DERR_INVALIDCALL;
    *buffer = stream_;
    *stride = streamStride_;
    return D3D_OK;
}

bool TD3DDevice::DrawState::operator==(const DrawState& o) const {
    return HasTexture == o.HasTexture && BlendEnable == o.BlendEnable && SrcBlend == o.SrcBlend &&
           DestBlend == o.DestBlend && ColorOp == o.ColorOp && ColorArg1 == o.ColorArg1 &&
           ColorArg2 == o.ColorArg2 && AlphaOp == o.AlphaOp && AlphaArg1 == o.AlphaArg1 &&
           AlphaArg2 == o.AlphaArg2 && MinFilter == o.MinFilter && MagFilter == o.MagFilter &&
           AddressU == o.AddressU && AddressV == o.AddressV && TextureFactor == o.TextureFactor &&
           std::memcmp(&ViewProjection, &o.ViewProjection, sizeof ViewProjection) == 0;
}

TD3DDevice::DrawState TD3DDevice::CurrentState() const {
    DrawState s;
    s.HasTexture = textures_[0] != nullptr;
    s.BlendEnable = renderStates_[D3DRS_ALPHABLENDENABLE];
    s.SrcBlend = renderStates_[D3DRS_SRCBLEND];
    s.DestBlend = renderStates_[D3DRS_DESTBLEND];
    s.TextureFactor = renderStates_[D3DRS_TEXTUREFACTOR];
    const uint32_t* st = stageStates_[0];
    s.ColorOp = st[D3DTSS_COLOROP];
    s.ColorArg1 = st[D3DTSS_COLORARG1] & 0x0F;
    s.ColorArg2 = st[D3DTSS_COLORARG2] & 0x0F;
    s.AlphaOp = st[D3DTSS_ALPHAOP];
    s.AlphaArg1 = st[D3DTSS_ALPHAARG1] & 0x0F;
    s.AlphaArg2 = st[D3DTSS_ALPHAARG2] & 0x0F;
    s.MinFilter = st[D3DTSS_MINFILTER];
    s.MagFilter = st[D3DTSS_MAGFILTER];
    s.AddressU = st[D3DTSS_ADDRESSU];
    s.AddressV = st[D3DTSS_ADDRESSV];
    D3DXMatrixMultiply(&s.ViewProjection, &view_, &projection_);
    return s;
}

bool TD3DDevice::InBatch(const TD3DTexture* texture) const {
    return std::find(batchTextures_, batchTextures_ + batchTextureCount_, texture) !=
           batchTextures_ + batchTextureCount_;
}

int32_t TD3DDevice::SlotFor(const TD3DTexture* texture) {
    // Sprites of one picture tend to follow each other: the newest slot is looked at first.
    for (int slot = batchTextureCount_ - 1; slot >= 0; --slot)
        if (batchTextures_[slot] == texture)
            return slot;
    // The software renderer compiles a shader for every combination of its units' texture
    // formats and of their sizes being powers of two or not. A batch holds textures of one
    // such kind only, and its spare units show its first texture, so that there is one
    // combination per kind instead of one per mixture.
    if (batchTextureCount_ == batchSlotCount_ ||
        (batchTextureCount_ > 0 && texture->Kind() != batchTextures_[0]->Kind()))
        Flush();
    batchTextures_[batchTextureCount_] = texture;
    return batchTextureCount_++;
}

HRESULT TD3DDevice::DrawPrimitive(uint32_t primitiveType, uint32_t startVertex,
                                  uint32_t primitiveCount) {
    ++stats_.DrawPrimitiveCalls;
    if (fvf_ != kPanelFVF || !stream_ || streamStride_ < kPanelVertexSize)
        return D3DERR_INVALIDCALL;
    uint64_t needed = 0;
    switch (primitiveType) {
    case D3DPT_TRIANGLELIST:
        needed = uint64_t{primitiveCount} * 3;
        break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        needed = uint64_t{primitiveCount} + 2;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0)
        return D3D_OK;
    const uint64_t available = stream_->data_.size() / streamStride_;
    if (uint64_t{startVertex} + needed > available)
        return D3DERR_INVALIDCALL;
    if (!gl_)
        return D3DERR_DEVICELOST;
    if (stateDirty_) {
        // A state set and set back, or set again to its value, keeps the batch.
        const DrawState next = CurrentState();
        if (!(next == batchState_)) {
            Flush();
            batchState_ = next;
        }
        stateDirty_ = false;
    }
    const TD3DTexture* texture = batchState_.HasTexture ? textures_[0] : nullptr;
    int32_t slot = texture ? SlotFor(texture) : 0;
    const uint8_t* base = stream_->data_.data() + size_t{startVertex} * streamStride_;
    const size_t stride = streamStride_;
    const D3DMATRIX& m = world_;
    auto put = [&](uint32_t index) {
        const uint8_t* src = base + index * stride;
        float p[3];
        uint32_t color;
        float uv[2];
        std::memcpy(p, src, sizeof p);
        std::memcpy(&color, src + 12, sizeof color);
        std::memcpy(uv, src + 16, sizeof uv);
        BatchVertex& v = batch_[batchCount_++];
        v.X = p[0] * m.m[0][0] + p[1] * m.m[1][0] + p[2] * m.m[2][0] + m.m[3][0];
        v.Y = p[0] * m.m[0][1] + p[1] * m.m[1][1] + p[2] * m.m[2][1] + m.m[3][1];
        v.Z = p[0] * m.m[0][2] + p[1] * m.m[1][2] + p[2] * m.m[2][2] + m.m[3][2];
        v.W = p[0] * m.m[0][3] + p[1] * m.m[1][3] + p[2] * m.m[2][3] + m.m[3][3];
        v.Color = color;
        v.U = uv[0];
        v.V = uv[1];
        v.Slot = slot;
    };
    for (uint32_t i = 0; i < primitiveCount; ++i) {
        if (batchCount_ + 3 > batch_.size()) {
            Flush();
            slot = texture ? SlotFor(texture) : 0;
        }
        switch (primitiveType) {
        case D3DPT_TRIANGLELIST:
            put(3 * i);
            put(3 * i + 1);
            put(3 * i + 2);
            break;
        case D3DPT_TRIANGLESTRIP:
            // Every second triangle of a strip is wound the other way round.
            put(i % 2 ? i + 1 : i);
            put(i % 2 ? i : i + 1);
            put(i + 2);
            break;
        default:
            put(0);
            put(i + 1);
            put(i + 2);
            break;
        }
    }
    return D3D_OK;
}

void TD3DDevice::Flush() {
    const int textureCount = std::exchange(batchTextureCount_, 0);
    if (batchCount_ == 0)
        return;
    const size_t count = batchCount_;
    batchCount_ = 0;
    if (!GlAlive() || !MakeCurrent())
        return;
    ++stats_.BatchesFlushed;
    auto* f = gl_->F;
    Gl& g = *gl_;
    const DrawState& s = batchState_;
    const DrawState& a = g.Last;
    const GlProgram& p = ProgramFor(s, textureCount <= 1);
    const bool all = !g.Applied || g.Current != &p;
    f->glBindFramebuffer(GL_FRAMEBUFFER, g.Fbo);
    f->glViewport(0, 0, backBufferSize_.width(), backBufferSize_.height());
    ApplyClip();
    if (all) {
        f->glUseProgram(p.Name);
        g.Current = &p;
        for (int i = 0; i < batchSlotCount_; ++i)
            f->glBindSampler(static_cast<GLuint>(i), g.Sampler);
        f->glBindVertexArray(g.Vao);
        f->glBindBuffer(GL_ARRAY_BUFFER, g.Vbo);
    }
    if (all || s.BlendEnable != a.BlendEnable || s.SrcBlend != a.SrcBlend ||
        s.DestBlend != a.DestBlend) {
        if (s.BlendEnable)
            f->glEnable(GL_BLEND);
        else
            f->glDisable(GL_BLEND);
        f->glBlendFunc(GlBlend(s.SrcBlend), GlBlend(s.DestBlend));
    }
    if (all || std::memcmp(&s.ViewProjection, &a.ViewProjection, sizeof s.ViewProjection) != 0)
        f->glUniformMatrix4fv(p.ViewProjectionLoc, 1, GL_FALSE, &s.ViewProjection.m[0][0]);
    if (all || s.ColorOp != a.ColorOp || s.ColorArg1 != a.ColorArg1 || s.ColorArg2 != a.ColorArg2)
        f->glUniform3i(p.ColorOpLoc, static_cast<GLint>(s.ColorOp), static_cast<GLint>(s.ColorArg1),
                       static_cast<GLint>(s.ColorArg2));
    if (all || s.AlphaOp != a.AlphaOp || s.AlphaArg1 != a.AlphaArg1 || s.AlphaArg2 != a.AlphaArg2)
        f->glUniform3i(p.AlphaOpLoc, static_cast<GLint>(s.AlphaOp), static_cast<GLint>(s.AlphaArg1),
                       static_cast<GLint>(s.AlphaArg2));
    if (all || s.TextureFactor != a.TextureFactor) {
        const uint32_t tf = s.TextureFactor;
        f->glUniform4f(p.FactorLoc, ((tf >> 16) & 0xFF) / 255.0f, ((tf >> 8) & 0xFF) / 255.0f,
                       (tf & 0xFF) / 255.0f, ((tf >> 24) & 0xFF) / 255.0f);
    }
    // Unit 0 is left active: making, locking and writing textures bind there.
    for (int slot = textureCount - 1; slot >= 0; --slot) {
        const GLuint name = batchTextures_[slot]->glName_;
        if (g.TextureKnown && g.BoundTextures[slot] == name)
            continue;
        f->glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(slot));
        f->glBindTexture(GL_TEXTURE_2D, name);
        g.BoundTextures[slot] = name;
    }
    const GLuint spare = textureCount > 0 ? batchTextures_[0]->glName_ : 0;
    for (int slot = textureCount; slot < batchSlotCount_ && textureCount > 0; ++slot) {
        if (g.TextureKnown && g.BoundTextures[slot] == spare)
            continue;
        f->glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(slot));
        f->glBindTexture(GL_TEXTURE_2D, spare);
        g.BoundTextures[slot] = spare;
    }
    if (textureCount > 0)
        g.TextureKnown = true;
    f->glActiveTexture(GL_TEXTURE0);
    if (all || s.HasTexture != g.LastHasTexture) {
        f->glUniform1i(p.HasTextureLoc, s.HasTexture ? 1 : 0);
        g.LastHasTexture = s.HasTexture;
    }
    if (all || s.MinFilter != a.MinFilter || s.MagFilter != a.MagFilter ||
        s.AddressU != a.AddressU || s.AddressV != a.AddressV) {
        f->glSamplerParameteri(g.Sampler, GL_TEXTURE_MIN_FILTER, GlFilter(s.MinFilter));
        f->glSamplerParameteri(g.Sampler, GL_TEXTURE_MAG_FILTER, GlFilter(s.MagFilter));
        f->glSamplerParameteri(g.Sampler, GL_TEXTURE_WRAP_S, GlAddress(s.AddressU));
        f->glSamplerParameteri(g.Sampler, GL_TEXTURE_WRAP_T, GlAddress(s.AddressV));
    }
    g.Last = s;
    g.Applied = true;

    if (g.StreamOffset + count > kBatchCapacity) {
        // Orphan the full stream so that the driver need not wait for the batches in it.
        f->glBufferData(GL_ARRAY_BUFFER, kBatchCapacity * sizeof(BatchVertex), nullptr,
                        GL_STREAM_DRAW);
        g.StreamOffset = 0;
    }
    f->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(g.StreamOffset * sizeof(BatchVertex)),
                       static_cast<GLsizeiptr>(count * sizeof(BatchVertex)), batch_.data());
    f->glDrawArrays(GL_TRIANGLES, static_cast<GLint>(g.StreamOffset), static_cast<GLsizei>(count));
    g.StreamOffset += count;
}

HRESULT TD3DDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                  uint32_t format, uint32_t pool, PD3DTexture* texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    texture->reset();
    if (!IsSupportedFormat(format) || width == 0 || height == 0 || levels > 1)
        return D3DERR_INVALIDCALL;
    if (!GlAlive() || !MakeCurrent())
        return D3DERR_NOTAVAILABLE;
    if (width > static_cast<uint32_t>(maxTextureSize_) ||
        height > static_cast<uint32_t>(maxTextureSize_))
        return D3DERR_OUTOFVIDEOMEMORY;
    auto made = std::make_shared<TD3DTexture>(TD3DTexture::Token{}, shared_from_this(), width,
                                              height, format, usage, pool);
    auto* f = gl_->F;
    f->glGenTextures(1, &made->glName_);
    gl_->TextureKnown = false;
    f->glBindTexture(GL_TEXTURE_2D, made->glName_);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const std::vector<uint8_t> zeros(size_t{width} * height * TD3DTexture::BytesPerPixel(format));
    if (format == D3DFMT_R5G6B5) {
        f->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5,
                        zeros.data());
    } else {
        f->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        zeros.data());
        if (format == D3DFMT_X8R8G8B8)
            f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    }
    if (f->glGetError() != GL_NO_ERROR)
        return D3DERR_OUTOFVIDEOMEMORY; // the texture object goes with `made`
    *texture = std::move(made);
    return D3D_OK;
}

HRESULT TD3DDevice::CreateVertexBuffer(uint32_t length, uint32_t /*usage*/, uint32_t fvf,
                                       uint32_t /*pool*/, PD3DVertexBuffer* buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    buffer->reset();
    if (length == 0 || length > (64u << 20))
        return D3DERR_INVALIDCALL;
    *buffer = std::make_shared<TD3DVertexBuffer>(TD3DVertexBuffer::Token{}, shared_from_this(),
                                                 length, fvf);
    return D3D_OK;
}

QImage TD3DDevice::ReadBackBuffer() {
    Flush();
    if (!GlAlive() || !MakeCurrent() || backBufferSize_.isEmpty())
        return {};
    QImage image(backBufferSize_, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    auto* f = gl_->F;
    f->glBindFramebuffer(GL_FRAMEBUFFER, gl_->Fbo);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // The framebuffer's first row is the bottom one: read row by row into top-down order.
    const int w = backBufferSize_.width(), h = backBufferSize_.height();
    for (int y = 0; y < h; ++y)
        f->glReadPixels(0, h - 1 - y, w, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        image.scanLine(y));
    f->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] |= 0xFF000000u;
    }
    return image;
}

void TD3DDevice::WindowGoing() {
    SurfaceGoing();
    window_ = nullptr;
    lost_ = true;
}

void TD3DDevice::SurfaceGoing() {
    if (!gl_ || !gl_->Context || !gl_->Offscreen)
        return;
    QOpenGLContext* context = gl_->Context.get();
    if (QOpenGLContext::currentContext() == context && context->surface() != gl_->Offscreen.get())
        context->makeCurrent(gl_->Offscreen.get());
}

void TD3DDevice::TextureGoing(TD3DTexture* texture) {
    if (InBatch(texture))
        Flush();
    if (textures_[0] == texture)
        MarkDirty(); // the next draw has no texture
    for (auto& bound : textures_)
        if (bound == texture)
            bound = nullptr;
}

void TD3DDevice::TextureWritten(const TD3DTexture* texture) {
    // What the batch drew so far shows the old pixels.
    if (InBatch(texture))
        Flush();
}

void TD3DDevice::BufferGoing(TD3DVertexBuffer* buffer) {
    if (stream_ == buffer)
        stream_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Textures

TD3DTexture::TD3DTexture(Token, PD3DDevice device, uint32_t width, uint32_t height, uint32_t format,
                         uint32_t usage, uint32_t pool)
    : device_(std::move(device)), width_(width), height_(height), format_(format), usage_(usage),
      pool_(pool) {}

TD3DTexture::~TD3DTexture() {
    device_->TextureGoing(this);
    if (glName_ && device_->GlAlive() && device_->MakeCurrent()) {
        device_->gl_->TextureKnown = false;
        device_->gl_->F->glDeleteTextures(1, &glName_);
    }
}

uint32_t TD3DTexture::Kind() const {
    const auto powerOfTwo = [](uint32_t n) { return (n & (n - 1)) == 0; };
    return format_ | (powerOfTwo(width_) ? 1u << 16 : 0u) | (powerOfTwo(height_) ? 1u << 17 : 0u);
}

uint32_t TD3DTexture::BytesPerPixel(uint32_t format) {
    return format == D3DFMT_R5G6B5 ? 2 : 4;
}

HRESULT TD3DTexture::GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const {
    if (level != 0 || !desc)
        return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = 1;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Size = width_ * height_ * BytesPerPixel(format_);
    desc->MultiSampleType = 0;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

HRESULT TD3DTexture::LockRect(uint32_t level, D3DLOCKED_RECT* locked, const TRect* rect,
                              uint32_t flags) {
    if (level != 0 || !locked || locked_)
        return D3DERR_INVALIDCALL;
    const uint32_t bpp = BytesPerPixel(format_);
    TRect area{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (rect) {
        if (rect->Left < 0 || rect->Top < 0 || rect->Right > area.Right ||
            rect->Bottom > area.Bottom || rect->Left >= rect->Right || rect->Top >= rect->Bottom)
            return D3DERR_INVALIDCALL;
        area = *rect;
    }
    if (!device_->GlAlive() || !device_->MakeCurrent())
        return D3DERR_DEVICELOST;
    lockCopy_.resize(size_t{width_} * height_ * bpp);
    auto* f = device_->gl_->F;
    device_->gl_->TextureKnown = false;
    f->glBindTexture(GL_TEXTURE_2D, glName_);
    if (format_ == D3DFMT_R5G6B5)
        f->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, lockCopy_.data());
    else
        f->glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, lockCopy_.data());
    locked_ = true;
    lockReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    locked->Pitch = static_cast<int32_t>(width_ * bpp);
    locked->pBits = lockCopy_.data() + static_cast<size_t>(area.Top) * width_ * bpp +
                    static_cast<size_t>(area.Left) * bpp;
    return D3D_OK;
}

HRESULT TD3DTexture::UnlockRect(uint32_t level) {
    if (level != 0 || !locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    HRESULT hr = D3D_OK;
    if (!lockReadOnly_)
        hr = SetPixels(lockCopy_.data(), static_cast<int>(width_ * BytesPerPixel(format_)));
    std::vector<uint8_t>().swap(lockCopy_);
    return hr;
}

HRESULT TD3DTexture::SetPixels(const void* bits, int pitch) {
    const uint32_t bpp = BytesPerPixel(format_);
    if (!bits || pitch <= 0 || static_cast<uint32_t>(pitch) % bpp != 0 ||
        static_cast<uint32_t>(pitch) / bpp < width_ || locked_)
        return D3DERR_INVALIDCALL;
    if (!device_->GlAlive() || !device_->MakeCurrent())
        return D3DERR_DEVICELOST;
    device_->TextureWritten(this);
    auto* f = device_->gl_->F;
    device_->gl_->TextureKnown = false;
    f->glBindTexture(GL_TEXTURE_2D, glName_);
    f->glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / static_cast<int>(bpp));
    if (format_ == D3DFMT_R5G6B5)
        f->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width_),
                           static_cast<GLsizei>(height_), GL_RGB, GL_UNSIGNED_SHORT_5_6_5, bits);
    else
        f->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width_),
                           static_cast<GLsizei>(height_), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                           bits);
    f->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Vertex buffers

TD3DVertexBuffer::TD3DVertexBuffer(Token, PD3DDevice device, uint32_t length, uint32_t fvf)
    : device_(std::move(device)), data_(length, 0), fvf_(fvf) {}

TD3DVertexBuffer::~TD3DVertexBuffer() {
    device_->BufferGoing(this);
}

HRESULT TD3DVertexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t /*flags*/) {
    if (!data || locked_ || offset > data_.size())
        return D3DERR_INVALIDCALL;
    if (size == 0)
        size = static_cast<uint32_t>(data_.size()) - offset;
    if (uint64_t{offset} + size > data_.size())
        return D3DERR_INVALIDCALL;
    locked_ = true;
    *data = data_.data() + offset;
    return D3D_OK;
}

HRESULT TD3DVertexBuffer::Unlock() {
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

} // namespace tv
