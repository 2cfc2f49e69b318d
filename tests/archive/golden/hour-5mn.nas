67 1001
Nordmann, Kari; Hansen, Ola
NO01L, Example Institute for Air Research, EIAR, Aerosol Group, Research Road 1, , 2007, Kjeller, Norway
Hansen, Ola
GAW-WDCA_NRT ACTRIS_NRT
1 1
2026 01 01 2026 12 01
0
Days from the file reference point (start_time)
22
1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1
9999.999999 99999.99 9999.99 9999.99 9999.99 999999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 99999.999 9.999999999
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
File name:                    NO0042R.20261201130000.20261201140203.nephelometer.aerosol_light_scattering_coefficient.pm10.1h.5mn.NO01L_Brantel_7830_NO42.NO01L_scat_coef_lev0.lev0.nas
File creation:                20261201140203
Startdate:                    20261201130000
Revision date:                20261201140203
Data level:                   0
Period code:                  1h
Resolution code:              5mn
Sample duration:              5mn
Orig. time res.:              5mn
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
start_time    end_time  p_inlet   T_int T_inlet  RH_int status     sc450     sc550     sc700    bsc450    bsc550    bsc700    sc450z    sc550z    sc700z   bsc450z   bsc550z   bsc700z    sc450r    sc550r    sc700r     numflag
334.541667  334.545139  1013.20  295.30  293.80   38.50      0    20.340    15.020     9.810     2.510     1.900     1.420    12.000     5.500     2.100     6.000     2.700     1.000    11.000     4.600     1.600 0.000000000
334.545139  334.548611  1013.10  295.40  293.90   40.00      0    21.010    15.330    10.020     2.600     1.930     1.450    12.000     5.500     2.100     6.000     2.700     1.000    11.000     4.600     1.600 0.682000000
334.548611  334.552083  1013.10  295.40  293.90   41.20      0    -0.030     0.010     0.000     0.020    -0.010     0.000    12.500     5.600     2.200     6.100     2.800     1.100    11.200     4.700     1.700 0.640682000
334.552083  334.555556  1013.00  295.50  294.00   39.90     65    22.000    16.000    10.500     2.700     2.000     1.500    12.500     5.600     2.200     6.100     2.800     1.100    11.200     4.700     1.700 0.659699000
334.555556  334.559028  1012.90  295.50  294.00   39.80      0    23.000 99999.999    11.000     2.800     2.100 99999.999    12.500     5.600     2.200     6.100     2.800     1.100    11.200     4.700     1.700 0.999000000
334.559028  334.562500 99999.99 9999.99 9999.99 9999.99 999999    24.000    17.000    12.000     2.900     2.200     1.700    12.500     5.600     2.200     6.100     2.800     1.100    11.200     4.700     1.700 0.000000000
