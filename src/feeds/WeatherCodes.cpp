#include "feeds/WeatherCodes.h"

namespace nimbrel {

std::string WeatherCodeSummary(int code, bool isDay) {
    switch (code) {
        case 0:
            return isDay ? "Sunny" : "Clear";
        case 1:  // mainly clear
            return isDay ? "Sunny Intervals" : "Clear";
        case 2:  // partly cloudy
            return isDay ? "Partly Cloudy" : "Partly Cloudy Night";
        case 3:  // overcast
            return "Cloudy";
        case 45:  // fog
        case 48:  // depositing rime fog
            return "Fog";
        case 51:  // drizzle: light, moderate, dense
        case 53:
        case 55:
        case 56:  // freezing drizzle: light, dense
        case 57:
            return "Drizzle";
        case 61:  // rain: slight, moderate
        case 63:
            return "Light Rain";
        case 65:  // rain: heavy
            return "Heavy Rain";
        case 66:  // freezing rain: light, heavy
        case 67:
            return "Sleet";
        case 71:  // snow fall: slight, moderate
        case 73:
        case 77:  // snow grains
        case 85:  // snow showers: slight
            return "Light Snow";
        case 75:  // snow fall: heavy
        case 86:  // snow showers: heavy
            return "Heavy Snow";
        case 80:  // rain showers: slight
            return "Light Showers";
        case 81:  // rain showers: moderate, violent
        case 82:
            return "Heavy Showers";
        case 95:  // thunderstorm, with slight or heavy hail
        case 96:
        case 99:
            return "Thundery Showers";
        default:
            return kUnknownWeatherSummary;
    }
}

}  // namespace nimbrel
