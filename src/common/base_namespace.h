#pragma once
// The base library is product-neutral and lives in namespace velmora. A program that wants its names
// unqualified in its own namespace names that namespace in VELMORA_CLIENT_NAMESPACE (set by its build).
namespace velmora::ui {}

#ifdef VELMORA_CLIENT_NAMESPACE
namespace VELMORA_CLIENT_NAMESPACE {
using namespace ::velmora;
}
namespace VELMORA_CLIENT_NAMESPACE::ui {
using namespace ::velmora::ui;
}
#endif
