#include "simhost/callbacks.h"

#include <cstdlib>
#include <cstring>

#include "host_sdk/host_suites.h"
#include "simhost/ansi_callbacks.h"
#include "simhost/host.h"
#include "simhost/iterate.h"
#include "simhost/smart_callbacks.h"

namespace simhost {
namespace {

thread_local SimulatedHost* current_host = nullptr;

SimulatedHost* HostOf(PF_ProgPtr effect_ref) {
  return reinterpret_cast<SimulatedHost*>(effect_ref);
}

// Copies the whole of `src_r` (or the world) to `dst_r` (or the world); both
// must be the same size and the worlds of the same pixel size.
PF_Err CopyPixels(const PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_r,
                  const PF_Rect* dst_r) {
  if (src == nullptr || dst == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const PF_Rect from = src_r != nullptr ? *src_r : PF_Rect{0, 0, src->width, src->height};
  const PF_Rect to = dst_r != nullptr ? *dst_r : PF_Rect{0, 0, dst->width, dst->height};
  const std::size_t pixel_size = PixelSize(FormatOfWorld(*src));
  const bool inside = from.left >= 0 && from.top >= 0 && from.right <= src->width &&
                      from.bottom <= src->height && to.left >= 0 && to.top >= 0 &&
                      to.right <= dst->width && to.bottom <= dst->height;
  if (!inside || from.right - from.left != to.right - to.left ||
      from.bottom - from.top != to.bottom - to.top ||
      pixel_size != PixelSize(FormatOfWorld(*dst))) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (from.right <= from.left) return PF_Err_NONE;
  const std::size_t bytes = static_cast<std::size_t>(from.right - from.left) * pixel_size;
  for (A_long row = 0; row < from.bottom - from.top; ++row) {
    const auto* src_row =
        reinterpret_cast<const std::uint8_t*>(src->data) +
        static_cast<std::ptrdiff_t>(from.top + row) * src->rowbytes +
        static_cast<std::ptrdiff_t>(from.left) * static_cast<std::ptrdiff_t>(pixel_size);
    auto* dst_row = reinterpret_cast<std::uint8_t*>(dst->data) +
                    static_cast<std::ptrdiff_t>(to.top + row) * dst->rowbytes +
                    static_cast<std::ptrdiff_t>(to.left) * static_cast<std::ptrdiff_t>(pixel_size);
    std::memmove(dst_row, src_row, bytes);
  }
  return PF_Err_NONE;
}

// Services of the host that the effect does not use and this host does not
// provide; they answer as an unimplemented host callback does.
template <typename... Args>
PF_Err NotProvided(Args...) {
  return PF_Err_INVALID_CALLBACK;
}

}  // namespace

struct HostCallbacks {
  static PF_Err Copy(SimulatedHost* host, CopyVia via, PF_EffectWorld* src, PF_EffectWorld* dst,
                     PF_Rect* src_r, PF_Rect* dst_r) {
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Err result =
        host->faults_.copy_code != 0 ? host->faults_.copy_code : CopyPixels(src, dst, src_r, dst_r);
    host->copies_.push_back(CopyRecord{via, src, dst, result});
    return result;
  }
  static PF_Err UtilsCopy(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
                          PF_Rect* dst_r) {
    return Copy(HostOf(ref), CopyVia::Utils, src, dst, src_r, dst_r);
  }
  static PF_Err TransformCopy(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                              PF_Rect* src_r, PF_Rect* dst_r) {
    return Copy(HostOf(ref), CopyVia::WorldTransform, src, dst, src_r, dst_r);
  }
  static PF_Err TransformCopyHQ(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                                PF_Rect* src_r, PF_Rect* dst_r) {
    return Copy(HostOf(ref), CopyVia::WorldTransformHQ, src, dst, src_r, dst_r);
  }

  template <typename Pixel>
  static PF_Err Iterate(IterateVia via, PF_InData* in_data, A_long progress_base,
                        A_long progress_final, PF_EffectWorld* src, const PF_Rect* area,
                        void* refcon, PF_Err (*pixel_fn)(void*, A_long, A_long, Pixel*, Pixel*),
                        PF_EffectWorld* dst) {
    if (in_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    SimulatedHost* host = HostOf(in_data->effect_ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    IterateRecord record{
        via, progress_base, progress_final, src, dst, area != nullptr, PF_LRect{}, refcon, 0, 0};
    if (dst != nullptr) {
      record.area = PF_LRect{0, 0, dst->width, dst->height};
      if (area != nullptr) {
        record.area.left = area->left > 0 ? area->left : 0;
        record.area.top = area->top > 0 ? area->top : 0;
        record.area.right = area->right < dst->width ? area->right : dst->width;
        record.area.bottom = area->bottom < dst->height ? area->bottom : dst->height;
      }
    }
    const PF_LRect& r = record.area;
    const bool src_covers = src == nullptr || r.right <= r.left || r.bottom <= r.top ||
                            (r.right <= src->width && r.bottom <= src->height);
    if (host->faults_.iterate_code != 0) {
      record.result = host->faults_.iterate_code;
    } else if (dst == nullptr || pixel_fn == nullptr || !src_covers) {
      record.result = PF_Err_BAD_CALLBACK_PARAM;
    } else {
      const IterateOutcome outcome =
          IterateArea<Pixel>(host->threads_, src, record.area, refcon, pixel_fn, dst);
      record.result = outcome.result;
      record.pixels_visited = outcome.pixels_visited;
    }
    host->iterations_.push_back(record);
    return record.result;
  }
  static PF_Err Iterate8Suite(PF_InData* in_data, A_long base, A_long final, PF_EffectWorld* src,
                              const PF_Rect* area, void* refcon, PF_IteratePixel8Func fn,
                              PF_EffectWorld* dst) {
    return Iterate<PF_Pixel>(IterateVia::Iterate8Suite, in_data, base, final, src, area, refcon, fn,
                             dst);
  }
  static PF_Err Iterate16Suite(PF_InData* in_data, A_long base, A_long final, PF_EffectWorld* src,
                               const PF_Rect* area, void* refcon, PF_IteratePixel16Func fn,
                               PF_EffectWorld* dst) {
    return Iterate<PF_Pixel16>(IterateVia::Iterate16Suite, in_data, base, final, src, area, refcon,
                               fn, dst);
  }
  static PF_Err IterateFloatSuite(PF_InData* in_data, A_long base, A_long final,
                                  PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                                  PF_IteratePixelFloatFunc fn, PF_EffectWorld* dst) {
    return Iterate<PF_PixelFloat>(IterateVia::IterateFloatSuite, in_data, base, final, src, area,
                                  refcon, fn, dst);
  }
  static PF_Err UtilsIterate(PF_InData* in_data, A_long base, A_long final, PF_EffectWorld* src,
                             const PF_Rect* area, void* refcon, PF_IteratePixel8Func fn,
                             PF_EffectWorld* dst) {
    return Iterate<PF_Pixel>(IterateVia::UtilsIterate, in_data, base, final, src, area, refcon, fn,
                             dst);
  }
  static PF_Err UtilsIterate16(PF_InData* in_data, A_long base, A_long final, PF_EffectWorld* src,
                               const PF_Rect* area, void* refcon, PF_IteratePixel16Func fn,
                               PF_EffectWorld* dst) {
    return Iterate<PF_Pixel16>(IterateVia::UtilsIterate16, in_data, base, final, src, area, refcon,
                               fn, dst);
  }

  // The iterations split into contiguous runs over the host's threads, the
  // calling thread taking the first run as thread 0. Every iteration runs even
  // after one has failed; the code is that of the first failed iteration.
  static PF_Err IterateGeneric(A_long iterations, void* refcon, PF_IterateGenericFunc fn) {
    SimulatedHost* host = current_host;
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    IterateRecord record{
        IterateVia::IterateGeneric, 0, 0, nullptr, nullptr, false, PF_LRect{}, refcon, 0, 0};
    if (host->faults_.iterate_code != 0) {
      record.result = host->faults_.iterate_code;
    } else if (fn == nullptr || iterations < 0) {
      record.result = PF_Err_BAD_CALLBACK_PARAM;
    } else {
      const IterateOutcome outcome = IterateIndices(host->threads_, iterations, refcon, fn);
      record.result = outcome.result;
      record.pixels_visited = outcome.pixels_visited;
    }
    host->iterations_.push_back(record);
    return record.result;
  }

  static PF_Err AddParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDef* def) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr || def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ++host->add_param_calls_;
    if (host->add_param_calls_ == host->faults_.add_param_fail_at) {
      return host->faults_.add_param_code;
    }
    const bool terminated = std::memchr(def->name, '\0', sizeof def->name) != nullptr;
    host->params_.push_back(RecordedParam{index, *def, terminated});
    return PF_Err_NONE;
  }

  // 8-bit colour to float as a host converts it: each byte over 255 in single
  // precision.
  static PF_Err ColorFromColorDef(PF_ProgPtr ref, const PF_ParamDef* def, PF_PixelFloat* out) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ++host->color_conversions_;
    if (host->faults_.color_conversion_code != 0) return host->faults_.color_conversion_code;
    if (def == nullptr || out == nullptr || def->param_type != PF_Param_COLOR) {
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_Pixel& c = def->u.cd.value;
    out->alpha = static_cast<float>(c.alpha) / 255.0f;
    out->red = static_cast<float>(c.red) / 255.0f;
    out->green = static_cast<float>(c.green) / 255.0f;
    out->blue = static_cast<float>(c.blue) / 255.0f;
    return PF_Err_NONE;
  }

  static PF_Err AddSupportedPixelFormat(PF_ProgPtr ref, PrPixelFormat format) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    host->pixel_formats_.push_back(format);
    return PF_Err_NONE;
  }
  static PF_Err ClearSupportedPixelFormats(PF_ProgPtr ref) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ++host->clear_formats_calls_;
    host->pixel_formats_.clear();
    return PF_Err_NONE;
  }
  static PF_Err GetPixelFormat(PF_EffectWorld* world, PrPixelFormat* format) {
    SimulatedHost* host = current_host;
    if (host == nullptr || world == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ++host->get_format_calls_;
    switch (host->format_report_) {
      case PixelFormatReport::FromWorld:
        *format = PremiereCodeOf(FormatOfWorld(*world));
        break;
      case PixelFormatReport::Fixed:
        *format = host->reported_format_;
        break;
      case PixelFormatReport::LeaveUnchanged:
        break;
    }
    return host->faults_.get_pixel_format_code;
  }

  static SPErr AcquireSuite(const char* name, int32_t version, const void** suite);
  static SPErr ReleaseSuite(const char* name, int32_t version) {
    SimulatedHost* host = current_host;
    if (host == nullptr) return kSuiteNotFound;
    host->ledger_.RecordRelease(name, version, host->faults_.release_code);
    return host->faults_.release_code;
  }
};

namespace {

PF_ANSICallbacksSuite1 MakeAnsiSuite() {
  PF_ANSICallbacksSuite1 suite{};
  FillAnsiCallbacks(suite);
  return suite;
}

const PF_ANSICallbacksSuite1 kAnsiSuite = MakeAnsiSuite();

const PF_PixelFormatSuite1 kPixelFormatSuite = {
    HostCallbacks::AddSupportedPixelFormat,
    HostCallbacks::ClearSupportedPixelFormats,
    NotProvided<PF_ProgPtr, A_u_long, A_u_long, PF_NewWorldFlags, PrPixelFormat, PF_EffectWorld*>,
    NotProvided<PF_ProgPtr, PF_EffectWorld*>,
    HostCallbacks::GetPixelFormat,
    NotProvided<PrPixelFormat, void*>,
    NotProvided<PrPixelFormat, void*>,
    NotProvided<PrPixelFormat, float, float, float, float, void*>};

const PF_ColorParamSuite1 kColorParamSuite = {HostCallbacks::ColorFromColorDef};

const PF_Iterate8Suite1 kIterate8Suite = {
    HostCallbacks::Iterate8Suite,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixel8Func, PF_EffectWorld*>,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, A_u_char*, A_u_char*,
                A_u_char*, A_u_char*, PF_EffectWorld*>,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixel8Func, PF_EffectWorld*>,
    HostCallbacks::IterateGeneric};

const PF_Iterate16Suite1 kIterate16Suite = {
    HostCallbacks::Iterate16Suite,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixel16Func, PF_EffectWorld*>,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixel16Func, PF_EffectWorld*>};

const PF_WorldTransformSuite1 kWorldTransformSuite = {
    NotProvided<PF_ProgPtr, PF_Rect*, A_long, PF_EffectWorld*, A_long, A_long, PF_Field,
                PF_XferMode, PF_EffectWorld*>,
    NotProvided<PF_ProgPtr, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
                PF_EffectWorld*>,
    NotProvided<PF_ProgPtr, PF_EffectWorld*, const PF_Rect*, PF_KernelFlags, A_long, void*, void*,
                void*, void*, PF_EffectWorld*>,
    HostCallbacks::TransformCopy,
    HostCallbacks::TransformCopyHQ,
    NotProvided<PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_Rect*,
                const PF_EffectWorld*, const PF_CompositeMode*, const PF_MaskWorld*, A_long, A_long,
                PF_EffectWorld*>,
    NotProvided<PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_EffectWorld*,
                const PF_CompositeMode*, const PF_MaskWorld*, const PF_FloatMatrix*, A_long,
                PF_Boolean, const PF_Rect*, PF_EffectWorld*>};

const PF_IterateFloatSuite1 kIterateFloatSuite = {
    HostCallbacks::IterateFloatSuite,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixelFloatFunc, PF_EffectWorld*>,
    NotProvided<PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, const PF_Point*, void*,
                PF_IteratePixelFloatFunc, PF_EffectWorld*>};

struct SuiteEntry {
  const char* name;
  int32_t version;
  const void* table;
};

const SuiteEntry kSuites[] = {
    {kPFANSISuite, kPFANSISuiteVersion1, &kAnsiSuite},
    {kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &kPixelFormatSuite},
    {kPFColorParamSuite, kPFColorParamSuiteVersion1, &kColorParamSuite},
    {kPFIterate8Suite, kPFIterate8SuiteVersion1, &kIterate8Suite},
    {kPFIterate16Suite, kPFIterate16SuiteVersion1, &kIterate16Suite},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, &kWorldTransformSuite},
    {kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1, &kIterateFloatSuite},
    {kPFWorldSuite, kPFWorldSuiteVersion2, WorldSuite2()},
};

const void* FindSuite(const char* name, int32_t version) {
  for (const SuiteEntry& entry : kSuites) {
    if (entry.version == version && std::strcmp(entry.name, name) == 0) return entry.table;
  }
  return nullptr;
}

SPBoolean IsEqual(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}
SPErr AllocateBlock(size_t size, void** block) {
  if (block == nullptr) return kSuiteNotFound;
  *block = std::malloc(size);
  return *block != nullptr || size == 0 ? kSPNoError : PF_Err_OUT_OF_MEMORY;
}
SPErr FreeBlock(void* block) {
  std::free(block);
  return kSPNoError;
}
SPErr ReallocateBlock(void* block, size_t size, void** new_block) {
  if (new_block == nullptr) return kSuiteNotFound;
  *new_block = std::realloc(block, size);
  return *new_block != nullptr || size == 0 ? kSPNoError : PF_Err_OUT_OF_MEMORY;
}
SPErr Undefined() {
  return kSPNoError;
}

const SPBasicSuite kBasicSuite = {HostCallbacks::AcquireSuite,
                                  HostCallbacks::ReleaseSuite,
                                  IsEqual,
                                  AllocateBlock,
                                  FreeBlock,
                                  ReallocateBlock,
                                  Undefined};

}  // namespace

SPErr HostCallbacks::AcquireSuite(const char* name, int32_t version, const void** suite) {
  SimulatedHost* host = current_host;
  if (suite == nullptr) return kSuiteNotFound;
  *suite = nullptr;
  if (host == nullptr || name == nullptr) return kSuiteNotFound;

  const void* table = FindSuite(name, version);
  SPErr code = table != nullptr ? kSPNoError : kSuiteNotFound;
  if (const SuiteFault* fault = host->faults_.FaultFor(name, version)) {
    switch (fault->kind) {
      case SuiteFault::Kind::Missing:
        table = nullptr;
        code = fault->code;
        break;
      case SuiteFault::Kind::CodeWithPointer:
        code = fault->code;
        break;
      case SuiteFault::Kind::ZeroWithoutSuite:
        table = nullptr;
        code = kSPNoError;
        break;
    }
  }
  *suite = table;
  host->ledger_.RecordAcquire(name, version, code, table != nullptr);
  return code;
}

CurrentHostScope::CurrentHostScope(SimulatedHost* host) : previous_(current_host) {
  current_host = host;
}
CurrentHostScope::~CurrentHostScope() {
  current_host = previous_;
}

void InstallUtilCallbacks(PF_UtilCallbacks& utils) {
  utils = PF_UtilCallbacks{};
  utils.copy = HostCallbacks::UtilsCopy;
  utils.iterate = HostCallbacks::UtilsIterate;
  utils.iterate16 = HostCallbacks::UtilsIterate16;
  utils.iterate_generic = HostCallbacks::IterateGeneric;
  FillAnsiCallbacks(utils.ansi);
}

void InstallInteractCallbacks(PF_InteractCallbacks& inter) {
  inter = PF_InteractCallbacks{};
  inter.add_param = HostCallbacks::AddParam;
}

SimulatedHost* CurrentHost() {
  return current_host;
}

const SPBasicSuite* BasicSuite() {
  return &kBasicSuite;
}

}  // namespace simhost
