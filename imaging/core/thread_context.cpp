#include "core/thread_context.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <new>

#include "core/allocators.h"
#include "core/test_hooks.h"

namespace Pictura {

namespace {

// Every live state, for diagnostics. Never destroyed: threads may still end
// (and unregister) while static objects are being torn down.
struct ContextRegistry {
  std::mutex lock;
  std::vector<ImgThreadContext*> list;
};
ContextRegistry& Registry() {
  static ContextRegistry* registry = new ContextRegistry;
  return *registry;
}

std::atomic<int> g_failNextRegistration{0};
std::atomic<DebugHookObserver> g_debugObserver{nullptr};

void Unregister(ImgThreadContext* ctx) {
  ContextRegistry& reg = Registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  for (auto it = reg.list.begin(); it != reg.list.end(); ++it) {
    if (*it == ctx) {
      reg.list.erase(it);
      break;
    }
  }
}

#ifdef _WIN32
// A fiber-local slot with a callback: the system frees the state when any
// thread ends, whether it was made by CreateThread or std::thread (emulated
// thread_local destructors are not reliable there). Systems without fiber
// slots get a plain TLS slot, whose states live until the process ends.
void WINAPI FreeOnThreadExit(void* state) {
  if (auto* ctx = static_cast<ImgThreadContext*>(state)) {
    Unregister(ctx);
    delete ctx;
  }
}

struct ContextSlot {
  using AllocFn = DWORD(WINAPI*)(PFLS_CALLBACK_FUNCTION);
  using GetFn = PVOID(WINAPI*)(DWORD);
  using SetFn = BOOL(WINAPI*)(DWORD, PVOID);
  DWORD index = 0xFFFFFFFFu;
  GetFn get = nullptr;
  SetFn set = nullptr;

  ContextSlot() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto flsAlloc =
        kernel ? reinterpret_cast<AllocFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "FlsAlloc")))
               : nullptr;
    get = kernel ? reinterpret_cast<GetFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "FlsGetValue")))
                 : nullptr;
    set = kernel ? reinterpret_cast<SetFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "FlsSetValue")))
                 : nullptr;
    if (flsAlloc && get && set) {
      index = flsAlloc(FreeOnThreadExit);
    } else {
      index = TlsAlloc();
      get = TlsGetValue;
      set = TlsSetValue;
    }
  }
  bool Valid() const { return index != 0xFFFFFFFFu; }
};

const ContextSlot& Slot() {
  static const ContextSlot slot;
  return slot;
}
#else
thread_local ImgThreadContext* t_context = nullptr;
// Set once the thread's state has been torn down at thread exit: later calls
// (from other thread-exit code) get no state rather than a leaked new one.
thread_local bool t_exiting = false;

struct ContextOwner {
  ImgThreadContext* ctx = nullptr;
  ~ContextOwner() {
    t_exiting = true;
    t_context = nullptr;
    if (ctx) {
      Unregister(ctx);
      delete ctx;
      ctx = nullptr;
    }
  }
};
thread_local ContextOwner t_owner;
#endif

bool Register(ImgThreadContext* ctx) {
  if (g_failNextRegistration.exchange(0, std::memory_order_relaxed)) return false;
  ContextRegistry& reg = Registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  try {
    reg.list.push_back(ctx);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

ImgThreadContext::~ImgThreadContext() {
  ClearGIFFrameList(&gifFrames);
}

ImgThreadContext* GetImgThreadContext() {
#ifdef _WIN32
  const ContextSlot& slot = Slot();
  if (!slot.Valid()) return nullptr;
  if (auto* ctx = static_cast<ImgThreadContext*>(slot.get(slot.index))) return ctx;
#else
  if (ImgThreadContext* ctx = t_context) return ctx;
  if (t_exiting) return nullptr;
#endif
  auto* ctx = new (std::nothrow) ImgThreadContext;
  if (!ctx) return nullptr;
  if (!Register(ctx)) {
    delete ctx;  // an unregistered state would never be freed
    return nullptr;
  }
#ifdef _WIN32
  if (!slot.set(slot.index, ctx)) {
    Unregister(ctx);
    delete ctx;
    return nullptr;
  }
#else
  t_owner.ctx = ctx;  // freed by the owner's destructor at thread exit
  t_context = ctx;
#endif
  return ctx;
}

size_t LiveThreadContextCount() {
  ContextRegistry& reg = Registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  return reg.list.size();
}

void PicTestFailNextRegistration() {
  g_failNextRegistration.store(1, std::memory_order_relaxed);
}

void SetDebugHookObserver(DebugHookObserver observer) {
  g_debugObserver.store(observer);
}

void DebugHook(uint32_t level, const char* format, ...) {
  DebugHookObserver observer = g_debugObserver.load();
  if (!observer || !format) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  observer(level, text);
}

void DebugTrace(const char* format, ...) {
  if (!format) return;
  char text[1025];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
#ifdef _WIN32
  OutputDebugStringA(text);
#endif
  DebugHook(0, "%s", text);
}

std::string FormatTimeOfDay() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  char text[32];
  auto field = [](int v) { return v < 10 ? "0%d" : "%d"; };
  char h[8], m[8], s[8];
  std::snprintf(h, sizeof h, field(parts.tm_hour), parts.tm_hour);
  std::snprintf(m, sizeof m, field(parts.tm_min), parts.tm_min);
  std::snprintf(s, sizeof s, field(parts.tm_sec), parts.tm_sec);
  std::snprintf(text, sizeof text, "%s:%s:%s", h, m, s);
  return text;
}

void LogDebugMessage(const char* text, uint32_t code, uint32_t level, bool quiet) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return;
  if (!text) text = "";
  if (!quiet) DebugHook(level, "%s\n", text);
  try {
    while (ctx->messages.size() > 50) ctx->messages.pop_front();
    ctx->messages.push_back(MessageRecord{text, code, level});
  } catch (...) {
    // A message that cannot be kept is dropped; nothing reports further.
  }
}

void GetDebugMessages(void** text, uint32_t* size) {
  if (text) *text = nullptr;
  if (size) *size = 0;
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx || ctx->messages.empty()) return;
  uint64_t total = 1;
  for (const MessageRecord& r : ctx->messages) total += r.text.size() + 1;
  if (size) *size = total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
  if (total >= kPicAllocCap) return;
  ScopedGlobal owned(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(total)));
  auto* block = static_cast<char*>(owned.block);
  if (!block) return;
  char* out = block;
  for (const MessageRecord& r : ctx->messages) {
    std::memcpy(out, r.text.data(), r.text.size());
    out += r.text.size();
    *out++ = '\n';
  }
  *out = '\0';
  if (text) *text = owned.Release();
}

void PicReportError(uint32_t code, const char* function, const char* detail) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx || ctx->suppression > 0) return;
  if (code != 0) {
    const std::string time = FormatTimeOfDay();
    const char* name = function ? function : "(unspecified function)";
    char text[1000];
    if (detail)
      std::snprintf(text, sizeof text, "Error %d in %s (%s) [%s]", static_cast<int>(code), name, time.c_str(),
                    detail);
    else
      std::snprintf(text, sizeof text, "Error %d in %s (%s)", static_cast<int>(code), name, time.c_str());
    if (ctx->errorCallback) ctx->errorCallback(code, name, ctx->errorUserData);
    LogDebugMessage(text, code, 3, true);
  }
  ctx->lastError = code;
}

void PicSuppressErrors() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) ++ctx->suppression;
}

void PicUnsuppressErrors() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) --ctx->suppression;
}

bool HasProgressCallback() {
  ImgThreadContext* ctx = GetImgThreadContext();
  return ctx && ctx->progressCallback;
}

void SetProgressCallback(ProgressCallback callback, PIC_USERDATA user) {
  if (ImgThreadContext* ctx = GetImgThreadContext()) {
    ctx->progressCallback = callback;
    ctx->callbackUserData = user;
  }
}

void PicNestingEnter() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) ++ctx->nestingDepth;
}

void PicNestingExit() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) --ctx->nestingDepth;
}

int32_t PicNestingDepth() {
  ImgThreadContext* ctx = GetImgThreadContext();
  return ctx ? ctx->nestingDepth : 0;
}

BOOL PicProgress(uint32_t done, uint32_t total) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx || ctx->nestingDepth != 1 || !ctx->progressCallback) return TRUE;
  return ctx->progressCallback(done, total, ctx->callbackUserData);
}

void ClearGIFFrameList(GIFFrameList* list) {
  if (!list) return;
  for (GIFFrameRecord& f : list->frames) FreeGlobalHandle(&f.pixels);
  list->frames.clear();
  list->frameCount = 0;
}

}  // namespace Pictura
