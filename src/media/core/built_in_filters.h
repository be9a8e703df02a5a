#pragma once
// The filters and devices that come with the program register in the built-in catalogue the
// first time it is used. Each area of the framework owns one registration function, defined
// beside its filters, so that adding a filter touches only its own area.

namespace camtrove::media {

class FilterCatalogue;

void RegisterStockFilters(FilterCatalogue& catalogue); // media/stock: tees, grabber, renderers, converters
void RegisterFileFilters(
    FilterCatalogue& catalogue); // media/stock: file writer, multiplexers, audio converters
void RegisterDvFilters(FilterCatalogue& catalogue); // media/stock: DV splitter, decoder, encoder, muxer
void RegisterCodecs(FilterCatalogue& catalogue);    // media/codecs: compressors
void RegisterDevices(FilterCatalogue& catalogue);   // media/devices: capture devices, test devices

} // namespace camtrove::media
