#pragma once
// A connection point that lives inside its control: references to it are references to the control.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

#include "common/com/com_ptr.h"

namespace nivex::vgui {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : owner_(owner), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& Iid() const { return iid_; }
    // A copy, so a sink may disconnect while it is being called.
    std::vector<ComPtr<IUnknown>> Sinks() const;
    void Clear() { sinks_.clear(); }

private:
    IConnectionPointContainer* owner_;
    IID iid_;
    DWORD nextCookie_ = 1;
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
};

// Enumerators over a snapshot. Each element is owned (AddRef'd) by the enumerator.
HRESULT CreateConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points, IEnumConnectionPoints** out);
HRESULT CreateConnectionEnumerator(std::vector<CONNECTDATA> connections, IEnumConnections** out);

} // namespace nivex::vgui
