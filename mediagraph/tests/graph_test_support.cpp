#include "mediagraph/tests/graph_test_support.h"

#include "testing/container/child_process.h"

namespace mediagraph_tests {

std::vector<std::wstring> FilterNames(IFilterGraph* graph) {
  std::vector<std::wstring> names;
  mediagraph::TFilterList filters(graph);
  for (size_t i = 0; i < filters.Count(); ++i) {
    FILTER_INFO info = {};
    if (SUCCEEDED(filters.Item(i)->QueryFilterInfo(&info))) {
      names.push_back(info.achName);
      if (info.pGraph) info.pGraph->Release();
    }
  }
  return names;
}

bool NothingConnected(IFilterGraph* graph) {
  mediagraph::TFilterList filters(graph);
  for (size_t i = 0; i < filters.Count(); ++i) {
    mediagraph::TPinList pins(filters.Item(i));
    for (size_t p = 0; p < pins.Count(); ++p) {
      if (pins.Connected(p)) return false;
    }
  }
  return true;
}

std::wstring MediaFile(const char* name) {
  const std::string path = test_container::ExecutableFolder() + "media\\" + name;
  return std::wstring(path.begin(), path.end());
}

}  // namespace mediagraph_tests
