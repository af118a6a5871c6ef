// ControlBase: persistence in streams (IPersistStreamInit), property bags (IPersistPropertyBag) and
// storages (IPersistStorage, a stream inside). One loop loads and one saves: a stream is read into
// named entries first, whole, and then read like a property bag, so a damaged stream changes nothing.
#include <cstdint>
#include <utility>
#include <vector>

#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"

namespace nivex::vgui {
namespace {

// The stream holds "VGUI", a format number, the entry count, then per entry the persisted name, a
// variant type and the value. Entries are looked up by name, so unknown ones are skipped.
constexpr std::uint32_t kStreamMagic = 0x49554756; // "VGUI"
constexpr std::uint32_t kStreamFormat = 1;
constexpr std::uint32_t kMaxText = 1u << 20;
constexpr VARTYPE kFontEntry = VT_DISPATCH;

VARTYPE StoredType(PropertyKind kind) {
    switch (kind) {
    case PropertyKind::Boolean:
        return VT_BOOL;
    case PropertyKind::Text:
        return VT_BSTR;
    case PropertyKind::Font:
        return VT_DISPATCH;
    default:
        return VT_I4;
    }
}

class StreamWriter {
public:
    explicit StreamWriter(IStream* stream) : stream_(stream) {}
    void Bytes(const void* data, ULONG size) {
        if (SUCCEEDED(hr_)) {
            ULONG written = 0;
            hr_ = stream_->Write(data, size, &written);
            if (SUCCEEDED(hr_) && written != size) hr_ = STG_E_MEDIUMFULL;
        }
    }
    template <typename T>
    void Plain(T value) {
        Bytes(&value, sizeof(value));
    }
    void Text(const std::wstring& text) {
        Plain(static_cast<std::uint32_t>(text.size()));
        Bytes(text.data(), static_cast<ULONG>(text.size() * sizeof(wchar_t)));
    }
    HRESULT Result() const { return hr_; }

private:
    IStream* stream_;
    HRESULT hr_ = S_OK;
};

class StreamReader {
public:
    explicit StreamReader(IStream* stream) : stream_(stream) {}
    bool Bytes(void* data, ULONG size) {
        if (!ok_) return false;
        ULONG read = 0;
        ok_ = SUCCEEDED(stream_->Read(data, size, &read)) && read == size;
        return ok_;
    }
    template <typename T>
    bool Plain(T& value) {
        return Bytes(&value, sizeof(value));
    }
    bool Text(std::wstring& text) {
        std::uint32_t length = 0;
        if (!Plain(length) || length > kMaxText) return ok_ = false;
        text.assign(length, L'\0');
        return length == 0 || Bytes(text.data(), static_cast<ULONG>(length * sizeof(wchar_t)));
    }
    bool Ok() const { return ok_; }

private:
    IStream* stream_;
    bool ok_ = true;
};

// A stream's entries by persisted name.
class StreamEntries {
public:
    StreamEntries() = default;
    StreamEntries(const StreamEntries&) = delete;
    StreamEntries& operator=(const StreamEntries&) = delete;
    ~StreamEntries() {
        for (auto& entry : entries_)
            VariantClear(&entry.second);
    }

    // E_FAIL when the stream is not one of ours; STG_E_READFAULT when it ends early or holds an entry
    // this format never writes.
    HRESULT Read(IStream* stream) {
        StreamReader in(stream);
        std::uint32_t magic = 0, format = 0, count = 0;
        if (!in.Plain(magic) || !in.Plain(format) || !in.Plain(count) || magic != kStreamMagic ||
            format != kStreamFormat)
            return E_FAIL;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::wstring name;
            VARTYPE type = VT_EMPTY;
            VARIANT value{};
            if (!in.Text(name) || !in.Plain(type) || !ReadValue(in, type, value)) return STG_E_READFAULT;
            entries_.emplace_back(std::move(name), value);
        }
        return S_OK;
    }

    // Reads like IPropertyBag::Read: the last entry of that name.
    HRESULT Find(const wchar_t* name, VARIANT* out) const {
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
            if (CompareStringOrdinal(entry->first.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL)
                return VariantCopy(out, const_cast<VARIANT*>(&entry->second)); // only read
        return E_INVALIDARG;
    }

private:
    static bool ReadValue(StreamReader& in, VARTYPE type, VARIANT& value) {
        if (type == VT_I4) {
            std::int32_t number = 0;
            if (!in.Plain(number)) return false;
            value.vt = VT_I4;
            value.lVal = number;
        } else if (type == VT_BOOL) {
            std::int16_t flag = 0;
            if (!in.Plain(flag)) return false;
            value.vt = VT_BOOL;
            value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        } else if (type == VT_BSTR) {
            std::wstring text;
            if (!in.Text(text)) return false;
            value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!value.bstrVal) throw std::bad_alloc();
            value.vt = VT_BSTR;
        } else if (type == kFontEntry) {
            std::wstring face;
            std::int64_t size = 0;
            std::int16_t weight = 0, charset = 0;
            std::uint8_t flags[3] = {};
            if (!in.Text(face) || !in.Plain(size) || !in.Plain(weight) || !in.Plain(charset) ||
                !in.Bytes(flags, sizeof(flags)))
                return false;
            FONTDESC desc{};
            desc.cbSizeofstruct = sizeof(desc);
            desc.lpstrName = face.data();
            desc.cySize.int64 = size;
            desc.sWeight = weight;
            desc.sCharset = charset;
            desc.fItalic = flags[0] != 0;
            desc.fUnderline = flags[1] != 0;
            desc.fStrikethrough = flags[2] != 0;
            if (SUCCEEDED(OleCreateFontIndirect(&desc, IID_IUnknown, reinterpret_cast<void**>(&value.punkVal))))
                value.vt = VT_UNKNOWN;
        } else {
            return false; // a type this format never writes: the rest cannot be read
        }
        return true;
    }

    std::vector<std::pair<std::wstring, VARIANT>> entries_;
};

// Writes one property's value as a stream entry.
void WriteEntry(StreamWriter& out, const wchar_t* name, const VARIANT& value) {
    out.Text(name);
    switch (value.vt) {
    case VT_BOOL:
        out.Plain(static_cast<VARTYPE>(VT_BOOL));
        out.Plain(static_cast<std::int16_t>(value.boolVal ? -1 : 0));
        break;
    case VT_BSTR:
        out.Plain(static_cast<VARTYPE>(VT_BSTR));
        out.Text(FromBstr(value.bstrVal));
        break;
    case VT_DISPATCH: {
        ComPtr<IFont> font;
        if (value.pdispVal) font.QueryFrom(value.pdispVal, IID_IFont);
        BSTR face = nullptr;
        CY size{};
        BOOL italic = FALSE, underline = FALSE, strike = FALSE;
        SHORT weight = FW_NORMAL, charset = DEFAULT_CHARSET;
        if (font) {
            font->get_Name(&face);
            font->get_Size(&size);
            font->get_Weight(&weight);
            font->get_Charset(&charset);
            font->get_Italic(&italic);
            font->get_Underline(&underline);
            font->get_Strikethrough(&strike);
        }
        out.Plain(kFontEntry);
        out.Text(FromBstr(face));
        SysFreeString(face);
        out.Plain(static_cast<std::int64_t>(size.int64));
        out.Plain(static_cast<std::int16_t>(weight));
        out.Plain(static_cast<std::int16_t>(charset));
        const std::uint8_t flags[3] = {static_cast<std::uint8_t>(italic ? 1 : 0),
                                       static_cast<std::uint8_t>(underline ? 1 : 0),
                                       static_cast<std::uint8_t>(strike ? 1 : 0)};
        out.Bytes(flags, sizeof(flags));
        break;
    }
    default:
        out.Plain(static_cast<VARTYPE>(VT_I4));
        out.Plain(static_cast<std::int32_t>(value.lVal));
        break;
    }
}

} // namespace

HRESULT ControlBase::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT ControlBase::InitNew() {
    if (loaded_) return E_UNEXPECTED; // a loaded control keeps what it loaded
    return Guarded([&] {
        SetDefaults();
        dirty_ = false;
        Redraw();
        return S_OK;
    });
}

void ControlBase::LoadProperties(const PropertyReader& read) {
    SetDefaults();
    for (size_t p = 0; p < properties_.size(); ++p) {
        const PropertyInfo& info = properties_[p];
        VARIANT value{};
        value.vt = StoredType(info.kind); // the type wanted, for bags that convert
        // Absent or unreadable: the default stays; out of range: clamped.
        if (SUCCEEDED(read(info.persistName, &value))) {
            PropertyValue loaded;
            const HRESULT hr = Coerce(info, value, loaded);
            if (SUCCEEDED(hr) || hr == kInvalidPropertyValue) {
                values_[p] = std::move(loaded);
                if (info.kind == PropertyKind::Font) fontFromAmbient_ = false;
            }
        }
        VariantClear(&value);
    }
    WatchFont();
    dirty_ = false;
    loaded_ = true;
    Redraw();
}

HRESULT ControlBase::SaveProperties(bool saveAll, const PropertyWriter& write) {
    for (size_t p = 0; p < properties_.size(); ++p) {
        const PropertyInfo& info = properties_[p];
        if (!saveAll && IsDefault(info, values_[p])) continue;
        ScopedVariant value;
        HRESULT hr = GetProperty(info, &value);
        if (SUCCEEDED(hr)) hr = write(info.persistName, value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ControlBase::Load(IStream* stream) {
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        StreamEntries entries;
        const HRESULT hr = entries.Read(stream);
        if (FAILED(hr)) return hr; // not ours, or damaged: the control stays as it was
        LoadProperties([&](const wchar_t* name, VARIANT* value) { return entries.Find(name, value); });
        return S_OK;
    });
}

HRESULT ControlBase::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        // Entries go to memory first: the count comes before them.
        std::vector<std::pair<const wchar_t*, VARIANT>> written;
        struct Clear {
            std::vector<std::pair<const wchar_t*, VARIANT>>& list;
            ~Clear() {
                for (auto& entry : list)
                    VariantClear(&entry.second);
            }
        } clear{written};
        HRESULT hr = SaveProperties(false, [&](const wchar_t* name, const VARIANT& value) {
            written.emplace_back(name, VARIANT{});
            return VariantCopy(&written.back().second, const_cast<VARIANT*>(&value)); // only read
        });
        if (FAILED(hr)) return hr;
        StreamWriter out(stream);
        out.Plain(kStreamMagic);
        out.Plain(kStreamFormat);
        out.Plain(static_cast<std::uint32_t>(written.size()));
        for (const auto& [name, value] : written)
            WriteEntry(out, name, value);
        if (FAILED(out.Result())) return out.Result();
        if (clearDirty) dirty_ = false;
        AfterSave();
        return S_OK;
    });
}

HRESULT ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    ComPtr<IStream> memory;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.Put());
    const bool wasDirty = dirty_;
    if (SUCCEEDED(hr)) hr = Save(memory.Get(), FALSE);
    dirty_ = wasDirty;
    if (FAILED(hr)) return hr;
    STATSTG stat{};
    hr = memory->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) *size = stat.cbSize;
    return hr;
}

HRESULT ControlBase::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        LoadProperties([&](const wchar_t* name, VARIANT* value) { return bag->Read(name, value, log); });
        return S_OK;
    });
}

HRESULT ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        const HRESULT hr = SaveProperties(saveAll != FALSE, [&](const wchar_t* name, const VARIANT& value) {
            return bag->Write(name, const_cast<VARIANT*>(&value));
        });
        if (FAILED(hr)) return hr;
        if (clearDirty) dirty_ = false;
        AfterSave();
        return S_OK;
    });
}

// The properties are a stream inside the storage.
constexpr wchar_t kContentsStream[] = L"Contents";

// A storage initialises the control once, by InitNew or by Load.
HRESULT ControlBase::InitNew(IStorage* storage) {
    if (!storage) return E_POINTER;
    if (storageInitialised_ || loaded_) return CO_E_ALREADYINITIALIZED;
    const HRESULT hr = InitNew();
    storageInitialised_ = SUCCEEDED(hr);
    return hr;
}

HRESULT ControlBase::Load(IStorage* storage) {
    if (!storage) return E_POINTER;
    if (storageInitialised_) return CO_E_ALREADYINITIALIZED;
    ComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put());
    if (SUCCEEDED(hr)) hr = Load(stream.Get());
    storageInitialised_ = SUCCEEDED(hr);
    return hr;
}

HRESULT ControlBase::Save(IStorage* storage, BOOL) {
    if (!storage) return E_POINTER;
    ComPtr<IStream> stream;
    const HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                             stream.Put());
    return FAILED(hr) ? hr : Save(stream.Get(), TRUE);
}

} // namespace nivex::vgui
