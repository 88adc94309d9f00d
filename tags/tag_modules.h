#pragma once

#include <QLibrary>
#include <QString>

// The run-time libraries of the tag formats: our vcedit and wmaudsdk modules beside the
// executable, and the system's libvorbis.
enum class TagModule { Vcedit, Vorbis, WmAudSdk };

// Makes the loader use nameOrPath for module (tests point it at a name that does not exist); an
// empty text restores the default.
void SetTagModuleOverride(TagModule module, const QString& nameOrPath);

// A module loaded for the lifetime of this object; IsLoaded() is false when it is missing.
class LoadedModule {
  public:
    explicit LoadedModule(TagModule module);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool IsLoaded() const { return loaded_; }
    QString ErrorString() const { return library_.errorString(); }
    // The address of an exported function, or null.
    template <typename Fn>
    Fn Resolve(const char* symbol) {
        return loaded_ ? reinterpret_cast<Fn>(library_.resolve(symbol)) : nullptr;
    }

  private:
    QLibrary library_;
    bool loaded_ = false;
};
