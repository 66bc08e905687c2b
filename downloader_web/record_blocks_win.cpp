#include "downloader_web/record_blocks.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

// Lays records, arrays and texts out in one block: a first pass over the
// content only measures, a second writes into the allocated block.
class CBlockWriter {
 public:
  explicit CBlockWriter(char* base = nullptr) : base_(base) {}

  template <class T>
  T* Place(std::size_t count) {
    offset_ = (offset_ + alignof(T) - 1) / alignof(T) * alignof(T);
    T* place = base_ ? reinterpret_cast<T*>(base_ + offset_) : nullptr;
    offset_ += sizeof(T) * count;
    return place;
  }

  const wchar_t* Text(const std::wstring& text) {
    wchar_t* place = Place<wchar_t>(text.size() + 1);
    if (place) std::memcpy(place, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return place;
  }

  std::size_t Size() const { return offset_; }

 private:
  char* base_;
  std::size_t offset_ = 0;
};

// Runs fill twice (measure, write) and returns the zero-filled block.
template <class Fill>
void* BuildBlock(Fill fill) {
  CBlockWriter measure;
  fill(measure);
  void* block = ::LocalAlloc(LPTR, measure.Size() ? measure.Size() : 1);
  if (!block) throw std::bad_alloc();
  CBlockWriter writer(static_cast<char*>(block));
  fill(writer);
  return block;
}

void WriteTargets(CBlockWriter& writer, const CTargetInfoRecArray& targets,
                  UpdateModuleInfo* module) {
  UpdateTargetInfo* records = writer.Place<UpdateTargetInfo>(targets.size());
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const CTargetInfoRec& target = targets[i];
    const wchar_t* type = writer.Text(target.type);
    const wchar_t* folder = writer.Text(target.folder);
    const wchar_t* name = writer.Text(target.name);
    if (records) {
      records[i] = UpdateTargetInfo{sizeof(UpdateTargetInfo), type, folder, name, target.version,
                                    target.timestamp};
    }
  }
  if (module) {
    module->targetCount = static_cast<std::int32_t>(targets.size());
    module->targets = targets.empty() ? nullptr : records;
  }
}

}  // namespace

const wchar_t* ModuleTypeText(int kind, int withLogin) {
  static const wchar_t* const kPlain[] = {L"normal", L"common", L"newVer"};
  static const wchar_t* const kWithLogin[] = {L"normal;withLogin", L"common;withLogin",
                                              L"newVer;withLogin"};
  const int index = kind >= 0 && kind <= 2 ? kind : 0;
  return withLogin ? kWithLogin[index] : kPlain[index];
}

void FlattenKeyList(const CUpdateInfoKeyArray& keys, UpdateKeyList& list) {
  if (keys.empty()) {
    list.count = 0;
    list.records = nullptr;
    return;
  }
  void* block = BuildBlock([&keys](CBlockWriter& writer) {
    UpdateKeyInfo* records = writer.Place<UpdateKeyInfo>(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const CUpdateInfoKey& key = keys[i];
      const wchar_t* keyName = writer.Text(key.keyName);
      const wchar_t* captionName = writer.Text(key.captionName);
      std::uint64_t* ids = writer.Place<std::uint64_t>(key.ids.size());
      if (ids && !key.ids.empty()) std::memcpy(ids, key.ids.data(), key.ids.size() * sizeof *ids);
      if (records) {
        records[i] = UpdateKeyInfo{sizeof(UpdateKeyInfo), keyName, captionName,
                                   static_cast<std::int32_t>(key.ids.size()),
                                   key.ids.empty() ? nullptr : ids};
      }
    }
  });
  list.count = static_cast<std::int32_t>(keys.size());
  list.records = static_cast<UpdateKeyInfo*>(block);
}

void FlattenModuleList(const CUpdateInfoRecArray& modules, UpdateModuleList& list) {
  if (modules.empty()) {
    list.count = 0;
    list.records = nullptr;
    return;
  }
  void* block = BuildBlock([&modules](CBlockWriter& writer) {
    UpdateModuleInfo* records = writer.Place<UpdateModuleInfo>(modules.size());
    for (std::size_t i = 0; i < modules.size(); ++i) {
      const CUpdateInfoRec& source = modules[i];
      UpdateModuleInfo module = {};
      module.cbSize = sizeof(UpdateModuleInfo);
      module.id = source.id;
      module.name = writer.Text(source.name);
      module.description = writer.Text(source.description);
      module.typeText = writer.Text(ModuleTypeText(source.kind, source.withLogin));
      module.importance = static_cast<std::uint32_t>(source.importance);
      module.url = writer.Text(source.pathUrl);
      module.code = writer.Text(source.code);
      module.lastWriteTime = source.lastWriteTime;
      module.fileSize = source.size;
      module.args = writer.Text(source.args);
      module.param = writer.Text(source.param);
      module.infoUrl = writer.Text(source.infoUrl);
      WriteTargets(writer, source.targets, &module);
      if (records) records[i] = module;
    }
  });
  list.count = static_cast<std::int32_t>(modules.size());
  list.records = static_cast<UpdateModuleInfo*>(block);
}

ProxyCredentials* NewProxyCredentials(const std::wstring& userName, const std::wstring& password) {
  return static_cast<ProxyCredentials*>(BuildBlock([&](CBlockWriter& writer) {
    ProxyCredentials* record = writer.Place<ProxyCredentials>(1);
    const wchar_t* user = writer.Text(userName);
    const wchar_t* secret = writer.Text(password);
    if (record) *record = ProxyCredentials{sizeof(ProxyCredentials), user, secret};
  }));
}
