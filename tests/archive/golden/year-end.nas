67 1001
Nordmann, Kari; Hansen, Ola
NO01L, Example Institute for Air Research, EIAR, Aerosol Group, Research Road 1, , 2007, Kjeller, Norway
Hansen, Ola
GAW-WDCA_NRT ACTRIS_NRT
1 1
2026 01 01 2027 01 01
0
Days from the file reference point (start_time)
22
1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1
9999.999999 99999.99 9999.99 9999.99 9999.99 999999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 9.999999999999
end_time of measurement, days from the file reference point
pressure, hPa, Location=instrument inlet, Matrix=instrument
temperature, K, Location=instrument internal, Matrix=instrument
temperature, K, Location=instrument inlet, Matrix=instrument
relative_humidity, %, Location=instrument internal, Matrix=instrument
status, no unit, Matrix=instrument
aerosol_light_scattering_coefficient, 1/Mm, Wavelength=450 nm
aerosol_light_scattering_coefficient, 1/Mm, Wavelength=550 nm
aerosol_light_scattering_coefficient, 1/Mm, Wavelength=700 nm
aerosol_light_backscattering_coefficient, 1/Mm, Wavelength=450 nm
aerosol_light_backscattering_coefficient, 1/Mm, Wavelength=550 nm
aerosol_light_backscattering_coefficient, 1/Mm, Wavelength=700 nm
aerosol_light_scattering_coefficient_zero_measurement, 1/Mm, Wavelength=450 nm
aerosol_light_scattering_coefficient_zero_measurement, 1/Mm, Wavelength=550 nm
aerosol_light_scattering_coefficient_zero_measurement, 1/Mm, Wavelength=700 nm
aerosol_light_backscattering_coefficient_zero_measurement, 1/Mm, Wavelength=450 nm
aerosol_light_backscattering_coefficient_zero_measurement, 1/Mm, Wavelength=550 nm
aerosol_light_backscattering_coefficient_zero_measurement, 1/Mm, Wavelength=700 nm
aerosol_light_rayleighscattering_coefficient_zero_measurement, 1/Mm, Wavelength=450 nm
aerosol_light_rayleighscattering_coefficient_zero_measurement, 1/Mm, Wavelength=550 nm
aerosol_light_rayleighscattering_coefficient_zero_measurement, 1/Mm, Wavelength=700 nm
numflag
0
31
Data definition:              EBAS_1.1
Set type code:                TI
Timezone:                     UTC
File name:                    NO0042R.20261231230000.20270101000700.nephelometer.aerosol_light_scattering_coefficient.pm10.1h.1mn.NO01L_Brantel_7830_NO42.NO01L_scat_coef_lev0.lev0.nas
File creation:                20270101000700
Startdate:                    20261231230000
Revision date:                20270101000700
Data level:                   0
Period code:                  1h
Resolution code:              1mn
Sample duration:              1mn
Orig. time res.:              1mn
Station code:                 NO0042R
Platform code:                NO0042S
Regime:                       IMG
Component:                    aerosol_light_scattering_coefficient
Unit:                         1/Mm
Matrix:                       pm10
Laboratory code:              NO01L
Instrument type:              nephelometer
Instrument manufacturer:      Brantel
Instrument model:             7830
Instrument name:              Brantel_7830_NO42
Instrument serial number:     1042
Method ref:                   NO01L_scat_coef_lev0
Inlet type:                   Impactor--direct
Zero/negative values code:    Zero/negative possible
Originator:                   Nordmann, Kari, kari.nordmann@example.org
Originator:                   Hansen, Ola
Submitter:                    Hansen, Ola, ola.hansen@example.org
start_time    end_time  p_inlet   T_int T_inlet  RH_int status     sc450     sc550     sc700    bsc450    bsc550    bsc700    sc450z    sc550z    sc700z   bsc450z   bsc550z   bsc700z    sc450r    sc550r    sc700r        numflag
364.997917  364.998611  1010.50  294.00  292.00   35.00      0    10.000     8.000     5.000     1.200     0.900     0.600 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 0.000000000000
364.998611  364.999306  1010.50  294.00  292.00   45.00     33     0.100     0.050     0.020     0.010     0.000     0.000 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 0.640659682699
364.999306  365.000000  1010.40  294.10  292.10   35.50      0    11.000     9.000     6.000     1.300     1.000     0.700 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 0.000000000000
