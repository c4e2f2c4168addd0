// The baseline the graph benchmarks measure the program against: a bare
// graph that renders a file with the Video Renderer into the clip window and
// does nothing else.
#pragma once

#include <windows.h>

#include <control.h>
#include <dshow.h>
#include <wrl/client.h>

#include <string>

inline Microsoft::WRL::ComPtr<IGraphBuilder> BuildBareGraph(const std::wstring& path, HWND clip, long width,
                                                            long height) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, renderer;
  ComPtr<ICaptureGraphBuilder2> builder;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
  builder->SetFiltergraph(graph.Get());
  graph->AddSourceFilter(path.c_str(), L"source", &source);
  CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer));
  graph->AddFilter(renderer.Get(), L"renderer");
  builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, renderer.Get());
  ComPtr<IVideoWindow> window;
  graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(window.GetAddressOf()));
  window->put_Owner(reinterpret_cast<OAHWND>(clip));
  window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  window->SetWindowPosition(0, 0, width, height);
  return graph;
}

// Stops the graph and takes its video window off the clip window.
inline void StopBareGraph(IGraphBuilder* graph) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&control)))) control->Stop();
  ComPtr<IVideoWindow> window;
  if (SUCCEEDED(graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(window.GetAddressOf())))) {
    window->put_Visible(OAFALSE);
    window->put_Owner(0);
  }
}
