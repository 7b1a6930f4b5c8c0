// The synthetic catalogue of the in-memory benchmarks: studies, series and image file
// entries made without reading a file, shaped like a busy archive.
#pragma once

#include <chrono>

#include "app/catalogue.h"

// Fills `catalogue` (zeroed) with `nb_study` studies of four described series sharing
// `nb_image` images, all in one folder "/bench/"; names, IDs and dates repeat so that the
// orders group. Release it with Catalogue_Free.
void Bench_Catalogue_Make(item_catalogue &catalogue, int nb_image, int nb_study);

// Seconds since `start`.
double Bench_Seconds_Since(std::chrono::steady_clock::time_point start);
