#include "soundlib/win32/waveout_platform.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "soundlib/core/capture_output.h"
#include "soundlib/plugin_abi.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

// Asks the wave mapper which device it prefers (the system's default).
constexpr UINT kMapperPreferredGet = 0x2000 + 21;

class WaveOutput final : public Output {
 public:
  static std::unique_ptr<WaveOutput> open(UINT device, uint32_t& rate, const OutputConfig& config,
                                          Renderer& r, int& error) {
    std::unique_ptr<WaveOutput> out(new WaveOutput(r));
    out->event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!out->event_) {
      error = SL_ERROR_DRIVER;
      return nullptr;
    }
    // The requested rate first, then the two every device takes.
    const uint32_t rates[3] = {rate, 44100, 48000};
    MMRESULT res = MMSYSERR_ERROR;
    for (uint32_t tryRate : rates) {
      WAVEFORMATEX wf{};
      wf.wFormatTag = WAVE_FORMAT_PCM;
      wf.nChannels = 2;
      wf.nSamplesPerSec = tryRate;
      wf.wBitsPerSample = 16;
      wf.nBlockAlign = 4;
      wf.nAvgBytesPerSec = tryRate * 4;
      res =
          waveOutOpen(&out->wave_, device, &wf, reinterpret_cast<DWORD_PTR>(out->event_), 0, CALLBACK_EVENT);
      if (res == MMSYSERR_NOERROR) {
        rate = tryRate;
        break;
      }
    }
    if (res != MMSYSERR_NOERROR) {
      out->wave_ = nullptr;
      error = res == MMSYSERR_BADDEVICEID || res == MMSYSERR_NODRIVER ? SL_ERROR_DEVICE : SL_ERROR_DRIVER;
      return nullptr;
    }
    waveOutPause(out->wave_);  // nothing plays until start()
    out->frames_ = std::max<size_t>(64, static_cast<size_t>(rate) * config.periodMs / 1000);
    const size_t count = std::clamp<size_t>(config.bufferMs / std::max<uint32_t>(1, config.periodMs), 2, 32);
    out->buffers_.resize(count, std::vector<int16_t>(out->frames_ * 2));
    out->headers_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      WAVEHDR& h = out->headers_[i];
      h = WAVEHDR{};
      h.lpData = reinterpret_cast<LPSTR>(out->buffers_[i].data());
      h.dwBufferLength = static_cast<DWORD>(out->frames_ * 4);
      if (waveOutPrepareHeader(out->wave_, &h, sizeof h) != MMSYSERR_NOERROR) {
        error = SL_ERROR_DRIVER;
        return nullptr;
      }
    }
    return out;
  }

  ~WaveOutput() override {
    if (thread_.joinable()) {
      quit_.store(1, std::memory_order_relaxed);
      SetEvent(event_);
      thread_.join();
    }
    if (wave_) {
      waveOutReset(wave_);
      for (WAVEHDR& h : headers_)
        if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave_, &h, sizeof h);
      waveOutClose(wave_);
    }
    if (event_) CloseHandle(event_);
  }

  bool start() override {
    if (!thread_.joinable()) {
      // The first blocks are mixed and queued before the device runs.
      for (WAVEHDR& h : headers_) submit(h);
      thread_ = std::thread([this] { run(); });
    }
    return waveOutRestart(wave_) == MMSYSERR_NOERROR;
  }

  void pause() override { waveOutPause(wave_); }

 private:
  explicit WaveOutput(Renderer& r) : renderer_(r) {}

  void submit(WAVEHDR& h) {
    renderer_.render(reinterpret_cast<int16_t*>(h.lpData), frames_);
    waveOutWrite(wave_, &h, sizeof h);
  }

  void run() {
    size_t next = 0;
    while (!quit_.load(std::memory_order_relaxed)) {
      WaitForSingleObject(event_, 100);
      // Refill blocks in the order they were queued, as each comes back done.
      while (!quit_.load(std::memory_order_relaxed) &&
             (*static_cast<volatile DWORD*>(&headers_[next].dwFlags) & WHDR_DONE)) {
        submit(headers_[next]);
        next = (next + 1) % headers_.size();
      }
    }
  }

  Renderer& renderer_;
  HWAVEOUT wave_ = nullptr;
  HANDLE event_ = nullptr;
  size_t frames_ = 0;
  std::vector<std::vector<int16_t>> buffers_;
  std::vector<WAVEHDR> headers_;
  std::atomic<int> quit_{0};
  std::thread thread_;
};

}  // namespace

WaveOutPlatform::WaveOutPlatform() {
  if (const wchar_t* file = _wgetenv(L"SOUNDLIB_CAPTURE")) capture_ = file;
}

std::vector<DeviceDesc> WaveOutPlatform::listDevices() {
  if (!capture_.empty()) return {{"Capture to file", "capture", true}};
  std::vector<DeviceDesc> list;
  const UINT n = waveOutGetNumDevs();
  DWORD preferred = 0, status = 0;
  if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)), kMapperPreferredGet,
                     reinterpret_cast<DWORD_PTR>(&preferred),
                     reinterpret_cast<DWORD_PTR>(&status)) != MMSYSERR_NOERROR ||
      preferred >= n)
    preferred = 0;
  for (UINT i = 0; i < n; ++i) {
    DeviceDesc d;
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR) {
      caps.szPname[MAXPNAMELEN - 1] = '\0';
      d.name = caps.szPname;
    }
    d.driver = "wave-out";
    d.isDefault = i == preferred;
    list.push_back(std::move(d));
  }
  return list;
}

std::unique_ptr<Output> WaveOutPlatform::openOutput(int index, uint32_t& rate, const OutputConfig& config,
                                                    Renderer& renderer, int& error) {
  if (!capture_.empty()) return OpenCaptureOutput(_wfopen(capture_.c_str(), L"wb"), rate, config, renderer, error);
  const UINT device = index < 0 ? WAVE_MAPPER : static_cast<UINT>(index);
  return WaveOutput::open(device, rate, config, renderer, error);
}

std::FILE* WaveOutPlatform::openFile(const void* path, bool wide) {
  if (wide) return _wfopen(static_cast<const wchar_t*>(path), L"rb");
  return std::fopen(static_cast<const char*>(path), "rb");
}

void* WaveOutPlatform::loadPlugin(const void* path, bool wide, const SlPluginInfo*& info, int& error) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE m =
      wide ? LoadLibraryW(static_cast<const wchar_t*>(path)) : LoadLibraryA(static_cast<const char*>(path));
  SetErrorMode(oldMode);
  if (!m) {
    error = GetLastError() == ERROR_BAD_EXE_FORMAT ? SL_ERROR_FILEFORM : SL_ERROR_FILEOPEN;
    return nullptr;
  }
  auto entry = reinterpret_cast<SlPluginInfoFn>(reinterpret_cast<void*>(GetProcAddress(m, kSlPluginEntry)));
  if (!entry) {
    FreeLibrary(m);
    error = SL_ERROR_FILEFORM;
    return nullptr;
  }
  info = entry();
  return m;
}

void WaveOutPlatform::freePlugin(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace soundlib
