// Elevation rasters for the importer's benchmarks.
#include "benchmarks/bench_raster.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

bool ensure_utm_raster(const char* path, int side, double west, double north, double cell,
                       double (*height)(int x, int y)) {
    struct stat info;
    if (stat(path, &info) == 0) return true;
    GDALAllRegister();
    const std::string partial = std::string(path) + ".part";
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), partial.c_str(), side, side, 1, GDT_Float32, nullptr);
    if (!ds) return false;
    double gt[6] = {west, cell, 0.0, north, 0.0, -cell};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 32632);
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    GDALSetProjection(ds, wkt);
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
    std::vector<float> row(side);
    bool ok = true;
    for (int y = 0; ok && y < side; ++y) {
        for (int x = 0; x < side; ++x) row[x] = (float)height(x, y);
        ok = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, y, side, 1, row.data(), side, 1, GDT_Float32, 0, 0) ==
             CE_None;
    }
    GDALClose(ds);
    return ok && std::rename(partial.c_str(), path) == 0;
}
