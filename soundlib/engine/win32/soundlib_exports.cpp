// The DLL's entries: each hands its arguments to the one engine. Signatures
// come from soundlib_api.h, so a prototype that drifts does not compile.
#define SOUNDLIB_DEFINE_EXPORTS
#include "soundlib/soundlib_api.h"

#include "soundlib/engine/sound_engine.h"
#include "soundlib/output/win32/waveout_platform.h"

namespace {

soundlib::Engine& engine() {
  // Never destroyed: joining the mixing thread while the loader unmaps the DLL
  // could deadlock. BASS_Free stops the thread; the program calls it first.
  static soundlib::Engine* e = new soundlib::Engine(*new soundlib::WaveOutPlatform);
  return *e;
}

}  // namespace

extern "C" {

SlBool SL_CALL BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void* window, const void* clsid) {
  return engine().init(device, freq, flags, window, clsid);
}
SlBool SL_CALL BASS_Free() {
  return engine().free();
}
SlBool SL_CALL BASS_Start() {
  return engine().start();
}
SlBool SL_CALL BASS_Stop() {
  return engine().stop();
}
uint32_t SL_CALL BASS_GetVersion() {
  return engine().getVersion();
}
int32_t SL_CALL BASS_ErrorGetCode() {
  return engine().errorGetCode();
}
SlHandle SL_CALL BASS_PluginLoad(const char* file, uint32_t flags) {
  return engine().pluginLoad(file, flags);
}
SlBool SL_CALL BASS_PluginFree(SlHandle plugin) {
  return engine().pluginFree(plugin);
}
SlHandle SL_CALL BASS_StreamCreateFile(SlBool mem, const void* file, uint64_t offset, uint64_t length,
                                       uint32_t flags) {
  return engine().streamCreateFile(mem, file, offset, length, flags);
}
SlHandle SL_CALL BASS_StreamCreateURL(const char* url, uint32_t offset, uint32_t flags, SlDownloadProc proc,
                                      void* user) {
  return engine().streamCreateUrl(url, offset, flags, proc, user);
}
SlBool SL_CALL BASS_ChannelPlay(uint32_t handle, SlBool restart) {
  return engine().channelPlay(handle, restart);
}
SlBool SL_CALL BASS_StreamFree(SlHandle stream) {
  return engine().streamFree(stream);
}
SlBool SL_CALL BASS_SetVolume(float volume) {
  return engine().setVolume(volume);
}
SlHandle SL_CALL BASS_SampleGetChannel(SlHandle sample, SlBool onlyNew) {
  return engine().sampleGetChannel(sample, onlyNew);
}
uint32_t SL_CALL BASS_ChannelIsActive(uint32_t handle) {
  return engine().channelIsActive(handle);
}
SlBool SL_CALL BASS_ChannelSetAttribute(uint32_t handle, uint32_t attrib, float value) {
  return engine().channelSetAttribute(handle, attrib, value);
}
SlBool SL_CALL BASS_ChannelSlideAttribute(uint32_t handle, uint32_t attrib, float value, uint32_t ms) {
  return engine().channelSlideAttribute(handle, attrib, value, ms);
}
SlBool SL_CALL BASS_ChannelStop(uint32_t handle) {
  return engine().channelStop(handle);
}
uint32_t SL_CALL BASS_ChannelFlags(uint32_t handle, uint32_t flags, uint32_t mask) {
  return engine().channelFlags(handle, flags, mask);
}
SlBool SL_CALL BASS_ChannelIsSliding(uint32_t handle, uint32_t attrib) {
  return engine().channelIsSliding(handle, attrib);
}
uint64_t SL_CALL BASS_ChannelGetPosition(uint32_t handle, uint32_t mode) {
  return engine().channelGetPosition(handle, mode);
}
uint32_t SL_CALL BASS_ChannelGetLevel(uint32_t handle) {
  return engine().channelGetLevel(handle);
}
SlHandle SL_CALL BASS_ChannelSetSync(uint32_t handle, uint32_t type, uint64_t param, SlSyncProc proc,
                                     void* user) {
  return engine().channelSetSync(handle, type, param, proc, user);
}
SlHandle SL_CALL BASS_SampleLoad(SlBool mem, const void* file, uint64_t offset, uint32_t length, uint32_t max,
                                 uint32_t flags) {
  return engine().sampleLoad(mem, file, offset, length, max, flags);
}
SlBool SL_CALL BASS_SetConfig(uint32_t option, uint32_t value) {
  return engine().setConfig(option, value);
}
SlBool SL_CALL BASS_GetDeviceInfo(uint32_t device, SlDeviceInfo* info) {
  return engine().getDeviceInfo(device, info);
}
uint32_t SL_CALL SoundLib_Render(void* buffer, uint32_t bytes) {
  return engine().renderNoSound(buffer, bytes);
}

}  // extern "C"
