#include "guicontrols/ocx/connection_point.h"

#include <new>

#include "guicontrols/ocx/module.h"

namespace nivex::vgui {

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    owner_->AddRef();
    *container = owner_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    // Event sinks are often plain dispatch objects that do not know the event interface's name.
    ComPtr<IUnknown> held;
    if (FAILED(sink->QueryInterface(iid_, held.PutVoid())) &&
        (IsEqualIID(iid_, IID_IPropertyNotifySink) || FAILED(sink->QueryInterface(IID_IDispatch, held.PutVoid()))))
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.emplace_back(nextCookie_, held);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            sinks_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
    std::vector<ComPtr<IUnknown>> copy;
    copy.reserve(sinks_.size());
    for (const auto& [cookie, sink] : sinks_)
        copy.push_back(sink);
    return copy;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    try {
        std::vector<CONNECTDATA> data;
        for (const auto& [cookie, sink] : sinks_) {
            data.push_back(CONNECTDATA{sink.Get(), cookie});
            sink->AddRef();
        }
        return CreateConnectionEnumerator(std::move(data), connections);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

namespace {

// Element policies: how an enumerator hands out and lets go of one element.
struct PointPolicy {
    using Element = IConnectionPoint*;
    static void Copy(Element& to, const Element& from) {
        to = from;
        to->AddRef();
    }
    static void Drop(Element& e) { e->Release(); }
};
struct ConnectionPolicy {
    using Element = CONNECTDATA;
    static void Copy(Element& to, const Element& from) {
        to = from;
        to.pUnk->AddRef();
    }
    static void Drop(Element& e) { e.pUnk->Release(); }
};

template <typename IEnum, typename Policy>
class Enumerator final : public IEnum {
public:
    using Element = typename Policy::Element;
    Enumerator(const IID& iid, std::vector<Element> items) : iid_(iid), items_(std::move(items)) { ObjectCreated(); }
    ~Enumerator() {
        for (Element& e : items_)
            Policy::Drop(e);
        ObjectDestroyed();
    }
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
            *out = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP Next(ULONG count, Element* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG done = 0;
        for (; done < count && next_ < items_.size(); ++done, ++next_)
            Policy::Copy(out[done], items_[next_]);
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = items_.size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            std::vector<Element> copy(items_.size());
            for (size_t i = 0; i < items_.size(); ++i)
                Policy::Copy(copy[i], items_[i]);
            auto* clone = new Enumerator(iid_, std::move(copy));
            clone->next_ = next_;
            *out = clone;
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ULONG refs_ = 1;
    IID iid_;
    std::vector<Element> items_;
    size_t next_ = 0;
};

} // namespace

HRESULT CreateConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    try {
        std::vector<IConnectionPoint*> raw;
        for (auto& p : points)
            raw.push_back(p.Detach());
        *out = new Enumerator<IEnumConnectionPoints, PointPolicy>(IID_IEnumConnectionPoints, std::move(raw));
        return S_OK;
    } catch (...) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

HRESULT CreateConnectionEnumerator(std::vector<CONNECTDATA> connections, IEnumConnections** out) {
    if (!out) return E_POINTER;
    try {
        *out = new Enumerator<IEnumConnections, ConnectionPolicy>(IID_IEnumConnections, std::move(connections));
        return S_OK;
    } catch (...) {
        for (CONNECTDATA& c : connections)
            c.pUnk->Release();
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

} // namespace nivex::vgui
